// A process that only waits: the target checks' tests copy it under the name of a host program
// and start it. It ends when the named event given as its argument is signalled, or after a
// minute when nobody does; without an argument (the end-to-end tests, which have no event to
// give) it waits the minute.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    Sleep(60000);
    return 0;
  }
  const HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
  if (!stop) return 3;
  const DWORD r = WaitForSingleObject(stop, 60000);
  CloseHandle(stop);
  return r == WAIT_OBJECT_0 ? 0 : 4;
}
