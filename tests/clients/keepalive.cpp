// Keeps one Wine process (and so the prefix's wineserver, desktop and services) alive for a whole
// test run, with its output going nowhere: each test program then starts in about 0.1 s instead
// of 1-2.5 s. scripts/test starts it before the Windows tests and stops it after them.
#include <windows.h>

int main() {
  GetDesktopWindow();
  Sleep(INFINITE);
  return 0;
}
