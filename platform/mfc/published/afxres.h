// Identifiers of the framework that resource scripts and message maps use.
#pragma once

#define IDC_STATIC (-1)
#define ID_HELP 0xE146  // 57670
