// Explains why a formula does not compile, stage by stage.
#pragma once

#include <string>

// Returns a message that names the compile stage that refuses formula, why,
// and where it stopped: the position (counted from 1), then the formula and a
// caret under that byte.  Returns an empty string when the formula compiles.
// Overwrites the engine's program.
std::string describeCompileFailure(const char *formula);
