// A host iterator over records held in memory, built in its own source file.
#ifndef QUEX_BENCH_SERVICES_MEMORY_RECORDS_H
#define QUEX_BENCH_SERVICES_MEMORY_RECORDS_H

#include <quex/quex.hpp>

#include <cstddef>
#include <memory>

std::unique_ptr<QXIteratorWrapper> makeMemoryRecords(size_t fields);

#endif // QUEX_BENCH_SERVICES_MEMORY_RECORDS_H
