// The test child program: opens the three channels named by its only argument
// and plays the module's side of the protocol, with a few calls that let the
// tests steer it (nested callbacks, asynchronous reports, waiting for a
// cancel, dying mid-call, breaking the protocol, large messages).
#include "child_endpoint.h"

#include "remote/remote_call.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Remote::RemoteCall;

constexpr int kInvalidHandle = 2;

void reply(ChildEndpoint& channel, RemoteCall& call) {
  size_t length = 0;
  const void* bytes = call.data(length);
  if (!channel.send(bytes, length)) std::_Exit(1);
}

// Sends `call` on `channel` and reads the host's reply into it.
void exchange(ChildEndpoint& channel, RemoteCall& call, std::vector<unsigned char>& scratch) {
  reply(channel, call);
  if (!channel.receive(scratch)) std::_Exit(1);
  call.dataReceived(scratch.data(), scratch.size());
}

class Child {
public:
  explicit Child(const std::string& base)
      : base_(base), main_(base, "main", 1000000), fromRemote_(base, "async_fromremote", 100000),
        toRemote_(base, "async_toremote", 100000) {}

  // Answers cancel requests on "async_toremote" while "main" is busy.
  void serveCancels() {
    RemoteCall call;
    std::vector<unsigned char> message;
    std::string name;
    while (toRemote_.receive(message)) {
      call.dataReceived(message.data(), message.size());
      call.readName(name);
      const int count = ++cancels_;
      call.beginCall("return");
      call.putInt(0);
      call.putInt(count);
      reply(toRemote_, call);
    }
    std::_Exit(0); // the host is gone
  }

  void serveMain() {
    std::string name;
    while (main_.receive(message_)) {
      call_.dataReceived(message_.data(), message_.size());
      call_.readName(name);
      if (name == "TERMINATE") {
        call_.beginCall("return");
        reply(main_, call_);
        std::_Exit(0);
      }
      uint64_t key = 0;
      call_.getSize(key);
      dispatch(name);
      reply(main_, call_);
      // The benchmarks' channels run beside "main", so that their baselines
      // and the library's calls can be measured in turns.
      if (name == "BareLoop") std::thread([this] { bareLoop(); }).detach();
      if (name == "Drain") std::thread([this, channel = drainChannel_] { drain(channel); }).detach();
    }
  }

private:
  void dispatch(const std::string& name) {
    if (name == "Echo") return echo();
    if (name == "Callbacks") return callbacks();
    if (name == "Reports") return reports();
    if (name == "WaitForCancel") return waitForCancel();
    if (name == "Sink") return sink();
    if (name == "Source") return source();
    if (name == "Die") std::raise(SIGKILL);
    if (name == "BadCallback") return badCallback();
    if (name == "BadReport") return badReport();
    if (name == "Drain") {
      call_.getText(drainChannel_);
      call_.beginCall("return");
      call_.putInt(0);
      return;
    }
    if (name == "Ping" || name == "BareLoop") {
      call_.beginCall("return");
      call_.putInt(0);
      return;
    }
    call_.beginCall("return");
    call_.putInt(kInvalidHandle);
  }

  void echo() {
    std::string text;
    int32_t number = 0;
    uint64_t size = 0;
    bool flag = false;
    call_.getText(text);
    call_.getInt(number);
    call_.getSize(size);
    call_.getBool(flag);
    call_.beginCall("return");
    call_.putInt(0);
    call_.putText(text);
    call_.putInt(number);
    call_.putSize(size);
    call_.putBool(flag);
  }

  // Sends `count` callbacks named `callbackName` with the host's key before it
  // replies; the reply lists the statuses and the ints the host answered.
  void callbacks() {
    uint64_t hostKey = 0;
    std::string callbackName;
    int32_t count = 0;
    call_.getSize(hostKey);
    call_.getText(callbackName);
    call_.getInt(count);
    std::vector<int32_t> statuses, values;
    for (int32_t i = 0; i < count; ++i) {
      call_.beginCall(callbackName.c_str());
      call_.putSize(hostKey);
      call_.putInt(i);
      exchange(main_, call_, message_);
      std::string returned;
      int32_t status = 0, value = -1;
      call_.readName(returned);
      call_.getInt(status);
      if (status == 0) call_.getInt(value);
      statuses.push_back(status);
      values.push_back(value);
    }
    call_.beginCall("return");
    call_.putInt(0);
    call_.putSize(statuses.size());
    for (size_t i = 0; i < statuses.size(); ++i) {
      call_.putInt(statuses[i]);
      call_.putInt(values[i]);
    }
  }

  void reports() {
    uint64_t hostKey = 0;
    int32_t count = 0;
    call_.getSize(hostKey);
    call_.getInt(count);
    RemoteCall report;
    std::vector<unsigned char> scratch;
    std::vector<int32_t> statuses;
    for (int32_t i = 0; i < count; ++i) {
      report.beginCall("Report");
      report.putSize(hostKey);
      report.putInt(i);
      exchange(fromRemote_, report, scratch);
      std::string returned;
      int32_t status = -1;
      report.readName(returned);
      report.getInt(status);
      statuses.push_back(status);
    }
    call_.beginCall("return");
    call_.putInt(0);
    call_.putSize(statuses.size());
    for (int32_t status : statuses) call_.putInt(status);
  }

  void waitForCancel() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (cancels_.load() == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    call_.beginCall("return");
    call_.putInt(0);
    call_.putInt(cancels_.load());
  }

  void sink() {
    std::string payload;
    call_.getText(payload);
    call_.beginCall("return");
    call_.putInt(0);
    call_.putSize(payload.size());
  }

  void source() {
    uint64_t size = 0;
    call_.getSize(size);
    std::string payload(size, 'x');
    for (size_t i = 0; i < payload.size(); i += 4096) payload[i] = static_cast<char>('a' + i % 26);
    call_.beginCall("return");
    call_.putInt(0);
    call_.putText(payload);
  }

  // A callback whose name is not followed by a key.
  void badCallback() {
    call_.beginCall("NextRecord");
    reply(main_, call_);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1)); // the host ends us
  }

  // The benchmarks' baseline: the bare semaphore loop on "<base>.bare", with
  // no message layer. Every chunk is copied out and acknowledged; a total
  // length of all ones ends the loop.
  void bareLoop() {
    ChildEndpoint bare(base_, "bare", 1000000);
    std::vector<unsigned char> sink(kBareSinkSize); // as large as the messages pushed
    size_t offset = 0;
    const auto* area =
        static_cast<const unsigned char*>(static_cast<void*>(&bare.header())) +
        Remote::kRegionHeaderSize;
    for (;;) {
      if (!bare.toRemote().waitFor(60000)) return;
      const bool last = Remote::loadField(bare.header().totalLength) == UINT64_MAX;
      const uint64_t chunk = Remote::loadField(bare.header().chunkLength);
      if (chunk > 0 && chunk <= bare.chunkCapacity()) {
        if (offset + chunk > sink.size()) offset = 0;
        std::memcpy(sink.data() + offset, area, chunk);
        offset += chunk;
      }
      bare.fromRemote().post();
      if (last) return;
    }
  }

  // The benchmarks' message channel "<base>.<channel>": every message is
  // taken whole and answered with a short one; a one-byte message ends it.
  void drain(const std::string& channelName) {
    ChildEndpoint channel(base_, channelName, 1000000);
    std::vector<unsigned char> message;
    static const unsigned char answer[8] = {'r', 'e', 't', 'u', 'r', 'n', 0, 0};
    while (channel.receive(message, 60000)) {
      channel.send(answer, sizeof answer, 60000);
      if (message.size() <= 1) return;
    }
  }

  static constexpr size_t kBareSinkSize = 16u << 20;
  std::string base_;
  std::string drainChannel_;
  // An asynchronous call whose name is not followed by a key.
  void badReport() {
    RemoteCall report;
    report.beginCall("Report");
    reply(fromRemote_, report);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1)); // the host ends us
  }

  ChildEndpoint main_;
  ChildEndpoint fromRemote_;
  ChildEndpoint toRemote_;
  RemoteCall call_;
  std::vector<unsigned char> message_;
  std::atomic<int> cancels_{0};
};

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  try {
    Child child(argv[1]);
    std::thread cancels([&child] { child.serveCancels(); });
    cancels.detach();
    child.serveMain();
  } catch (...) {
    return 3;
  }
  std::_Exit(0);
}
