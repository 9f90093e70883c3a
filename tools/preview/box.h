// Preview of whole message boxes on the headless backend (see box.cpp for the options).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Renders the box the options describe (the words after "box"); 1 with a one-line error on
// stderr when an option or its value is wrong.
int preview_box(const std::vector<std::string>& args);

// The options of "preview box", one property of the component per option, for --help.
void print_box_options(std::FILE* to);
