// The last page of the wizard: it runs the installation as soon as it is shown.
#pragma once

#include <windows.h>

#include <string>

#include "script/Project.h"
#include "transaction/Journal.h"

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the page, before it installs, asks the applications holding files the installation
// would replace to close (/CLOSEAPPLICATIONS), and starts them again once it is done.
void CloseHoldingApplications(bool close);

// The installation's registration of descriptor files with the desktop loader (DoInstall's
// RegisterDescriptorsFn): components in folders of their own are found where they installed.
void RegisterDescriptors(Journal& journal, const Project& project, const std::string& installFolder);
