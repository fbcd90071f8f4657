// Stand-ins for the pages that are not written yet. Each ends at once with 2, which ends the
// installer as a cancelled page would. Each one is removed when its page arrives.
#include "pages.h"
