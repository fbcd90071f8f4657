// One installer of a product at a time: two would clean, write and record over each other.
#pragma once

// True when this is the only installer of the product running. Otherwise the running one's
// window is brought to the front and false is returned: the caller then ends without showing
// anything. The claim lasts until the process ends.
bool ClaimSingleInstance(const char* productName);
