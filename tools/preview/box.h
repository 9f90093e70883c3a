// Preview of whole message boxes on the headless backend (see box.cpp for the options).
#pragma once

int preview_box(int argc, char** argv);
