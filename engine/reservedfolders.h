// Folders that belong to Windows or to the computer's users, never to one program.
#pragma once

// True when folder, resolved (ResolvePath), is itself the Windows folder, the system folder, one
// of the system's program-files folders, the folder that holds the users' profiles, the user's
// profile, or a Documents or Desktop folder (the user's or the one all users share). What lies
// below them is not reserved. Letters are compared without case.
bool IsReservedFolder(const char* folder);
