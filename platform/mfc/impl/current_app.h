// Filing the application object (current_app.cpp), which AfxGetApp and the others
// answer from. Not for the program.
#pragma once

#include "afxwin.h"

namespace afx {

// Files app as the application object when there is none yet.
void FileApp(CWinApp* app);
// Unfiles app when it is the application object.
void UnfileApp(CWinApp* app);

}  // namespace afx
