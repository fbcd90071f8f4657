// The two marks by which other programs can tell that an installation of a product is under way:
// the installer's named mutex, held for its whole run, and the journal of an unfinished run,
// which stays in the Windows folder until that run is committed or undone. The installer makes
// them; the uninstaller, which links none of the installer's code, looks for them. Both are
// formats for FormatText whose one argument is the product name.
#pragma once

// Global: an installer started in another session of the same machine counts too.
inline constexpr char InstallerMutexNameFormat[] = "Global\\Porvane installer of %s";
// Holds the format with the longest product name a manifest can carry (20 characters).
enum { InstallerMutexNameSize = 64 };

// A file name in the Windows folder.
inline constexpr char JournalFileNameFormat[] = "%s installation.journal";
