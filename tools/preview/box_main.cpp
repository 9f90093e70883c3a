// The box preview on its own: renders one message box, or a gallery of them, to PNG files.
#include "preview/box.h"

int main(int argc, char** argv) {
  return preview_box(argc, argv);
}
