#pragma once
// The reasons the system gives for a failed file operation, said in Russian for the user.
#include <string>

// A short Russian phrase for an errno value ("на диске нет места"); an unknown value is named
// by its number.
std::string SystemErrorText(int err);
