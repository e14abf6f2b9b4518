/* A shared module that leaves a mark when something loads it: the file named by
   KVWORD_LOAD_MARK gets a line. Offered to the tool as a character-set conversion
   module and as an OpenSSL provider, to show it loads neither. */
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void LeaveMark(void) {
  const char* path = getenv("KVWORD_LOAD_MARK");
  if (!path) return;
  const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  if (write(fd, "loaded\n", 7) < 0) { /* nothing to do */ }
  close(fd);
}
