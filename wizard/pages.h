// The page procedures and the runners that chain them over the backdrop.
#pragma once

#include <windows.h>

// Dialog procedures, one per page template.
INT_PTR CALLBACK WelcomeProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicenseProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LocationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Runners: each sets its step, runs its page owned by the backdrop, and on result 1 calls the
// next runner; on anything else it destroys the backdrop, which ends the installer.
void RunLicensePage(HWND owner);
void RunLocationPage(HWND owner);
void RunInstallingPage(HWND owner);
void RunGroupPage(HWND owner);

// The last link of the chain: registration, read-me question, restart notice. Destroys the backdrop.
void RunFinish(HWND backdrop);
