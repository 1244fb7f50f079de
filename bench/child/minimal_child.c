/* The floor of a child's start: a program that links only the C library,
   opens the named semaphore its argument names and posts it, its first and
   only reply. */
#include <fcntl.h>
#include <semaphore.h>

int main(int argc, char** argv) {
  sem_t* ready;
  if (argc != 2) return 2;
  ready = sem_open(argv[1], 0);
  if (ready == SEM_FAILED) return 1;
  sem_post(ready);
  return 0;
}
