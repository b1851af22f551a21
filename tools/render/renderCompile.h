// Explains why a formula does not compile, stage by stage.
#pragma once

#include <string>

// Returns a message that names the compile stage that refuses formula and,
// where the lexer stops, the position (counted from 1) with the formula and a
// caret under it.  Returns an empty string when the formula compiles.
// Overwrites the engine's program.
std::string describeCompileFailure(const char *formula);
