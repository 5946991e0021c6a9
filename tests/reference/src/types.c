// POSIX types that a program declares itself for MSVC, whose headers have none of them, next
// to those MSVC's headers do have.
#include <stdio.h>
#include <sys/types.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#endif
#ifdef _MSC_VER
typedef int mode_t;
typedef SSIZE_T ssize_t;
typedef int pid_t;
#endif

int main(void) {
    mode_t mode = 0644;
    ssize_t size = -1;
    pid_t pid = 3;
    off_t offset = 5;
    ino_t inode = 1;
    dev_t device = 2;
    printf("%o %d %d %d %d %d %d\n", (unsigned)mode, (int)size, pid, (int)offset, (int)inode,
           (int)device, sizeof(ssize_t) == sizeof(void*));
    return 0;
}
