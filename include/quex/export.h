// Marks the library's public API; everything else in libquex is hidden.
#ifndef QUEX_EXPORT_H
#define QUEX_EXPORT_H

#if defined(QUEX_STATIC)
#define QUEX_API
#else
#define QUEX_API __attribute__((visibility("default")))
#endif

#endif // QUEX_EXPORT_H
