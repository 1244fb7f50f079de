// The host's memory for one large batch from a child: one bulk-fetch reply
// of COUNT one-value records in a message of TOTAL bytes, sent by the test
// child without ever holding it, read as the component proxy reads it. Run it
// under `/usr/bin/time -v` and read "Maximum resident set size": the child
// keeps one chunk, so the figure is the host's.
//   remote_batch_peak [COUNT [TOTAL]]   (default: 200 values, 200,000,000 bytes)
// Prints the values and bytes received.
#include "remote/process.h"

#include <quex/remote/RemoteException.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
  const uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const uint64_t total = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200000000;
  try {
    auto process = Remote::Process::create(REMOTE_BENCH_CHILD, nullptr);
    process->start();
    Remote::RemoteCall& call = process->mainCall();
    call.beginCall("Values");
    call.putSize(0);
    call.putSize(count);
    call.putSize(total);
    if (!process->call()) {
      std::fprintf(stderr, "remote_batch_peak: the child was lost: %s\n",
                   process->ending().c_str());
      return 1;
    }
    Remote::RemoteValueArray values(Remote::Role::Caller);
    int32_t status = -1, code = 0;
    uint64_t echoed = 0, fields = 0, records = 0;
    if (!call.getInt(status) || !call.getSize(echoed) || !call.getValues(values) ||
        !call.getSize(fields) || !call.getSize(records) || !call.getInt(code) || status != 0) {
      std::fprintf(stderr, "remote_batch_peak: the reply does not read\n");
      return 1;
    }
    uint64_t bytes = 0;
    for (size_t i = 0; i < values.count(); ++i) bytes += values.length(i);
    std::printf("%zu values, %llu bytes\n", values.count(),
                static_cast<unsigned long long>(bytes));
    process->terminate();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "remote_batch_peak: %s\n", error.what());
    return 1;
  } catch (const Remote::RemoteException& error) {
    std::fprintf(stderr, "remote_batch_peak: %s (%s)\n", error.message.c_str(),
                 error.detail.c_str());
    return 1;
  }
  return 0;
}
