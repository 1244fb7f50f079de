/* Trivial entry points for the broken modules: each module lists the exports it
   has, so what it lacks or misspells is all that differs from a complete one. */
#ifndef QUEX_TESTS_MODULES_BROKEN_ENTRIES_H
#define QUEX_TESTS_MODULES_BROKEN_ENTRIES_H

#include <quex/qx.h>

/* (int* errorCode) */
#define BROKEN_MODULE_CALL(name)                                                                   \
  QX_MODULE_EXPORT QXStatus name(int* errorCode) {                                                 \
    *errorCode = 0;                                                                                \
    return QX_OK;                                                                                  \
  }
/* (QXHost* host, int* errorCode) */
#define BROKEN_INITIALISE(name)                                                                    \
  QX_MODULE_EXPORT QXStatus name(QXHost* host, int* errorCode) {                                   \
    (void)host;                                                                                    \
    *errorCode = 0;                                                                                \
    return QX_OK;                                                                                  \
  }
/* (void* component, int* errorCode); also stands in for entries of other
   shapes: the host only looks these libraries up, it never calls them. */
#define BROKEN_COMPONENT_CALL(name)                                                                \
  QX_MODULE_EXPORT QXStatus name(void* component, int* errorCode) {                                \
    (void)component;                                                                               \
    *errorCode = 0;                                                                                \
    return QX_OK;                                                                                  \
  }

#endif
