// The program's name and version as the version dialog shows it.
#pragma once

extern const char kVersionText[];
