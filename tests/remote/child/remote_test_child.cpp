// The test child program: opens the three channels named by its only argument
// and plays the module's side of the protocol, with a few calls that let the
// tests steer it (nested callbacks, asynchronous reports, waiting for a
// cancel, dying mid-call, breaking the protocol, large messages, record values
// by the hundred megabytes).
#include "child_endpoint.h"
#include "made_values_reply.h"

#include "remote/protocol/names.h"
#include "remote/protocol/remote_call.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Remote::RemoteCall;
namespace protocol = Remote::protocol;

void reply(ChildEndpoint& channel, RemoteCall& call) {
  size_t length = 0;
  const void* bytes = call.data(length);
  if (!channel.send(bytes, length)) std::_Exit(1);
}

// Sends `call` named `name` with `key` and `i` on `channel` and returns the
// status of the host's reply, leaving the reply readable in `call`.
int32_t exchange(ChildEndpoint& channel, RemoteCall& call, const char* name, uint64_t key,
                 int32_t i, std::vector<unsigned char>& scratch) {
  call.beginCall(name);
  call.putSize(key);
  call.putInt(i);
  reply(channel, call);
  if (!channel.receive(scratch)) std::_Exit(1);
  call.dataReceived(scratch.data(), scratch.size());
  std::string returned;
  int32_t status = -1;
  call.readName(returned);
  call.getInt(status);
  return status;
}

[[noreturn]] void sendAndHang(ChildEndpoint& channel, const char* name) {
  RemoteCall call; // a call whose name is not followed by a key
  call.beginCall(name);
  reply(channel, call);
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1)); // the host ends us
}

class Child {
public:
  explicit Child(const std::string& base)
      : base_(base), main_(base, protocol::kMainChannel, protocol::kMainRegionSize),
        fromRemote_(base, protocol::kAsyncFromRemoteChannel, protocol::kAsyncRegionSize),
        toRemote_(base, protocol::kAsyncToRemoteChannel, protocol::kAsyncRegionSize) {}

  // Answers cancel requests on "async_toremote" while "main" is busy.
  void serveCancels() {
    RemoteCall call;
    std::vector<unsigned char> message;
    while (toRemote_.receive(message)) {
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
      if (name == "Values") {
        values();
        continue;
      }
      dispatch(name);
      reply(main_, call_);
      // The benchmarks' channels run beside "main", so that their baselines
      // and the library's calls can be measured in turns.
      if (name == "BareLoop") std::thread([this] { bareLoop(); }).detach();
      if (name == "Drain") std::thread([this, channel = drainChannel_] { drain(channel); }).detach();
    }
  }

private:
  // Starts the reply with status 0; any other status for unknown calls.
  void returns(int32_t status = 0) {
    call_.beginCall("return");
    call_.putInt(status);
  }

  void dispatch(const std::string& name) {
    std::string text;
    int32_t number = 0;
    uint64_t size = 0;
    bool flag = false;
    if (name == "Echo") {
      call_.getText(text); call_.getInt(number); call_.getSize(size); call_.getBool(flag);
      returns();
      call_.putText(text); call_.putInt(number); call_.putSize(size); call_.putBool(flag);
    } else if (name == "Callbacks" || name == "Reports") {
      callbacks(name == "Reports");
    } else if (name == "WaitForCancel") {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (cancels_.load() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      returns();
      call_.putInt(cancels_.load());
    } else if (name == "Sink") {
      call_.getText(text);
      returns();
      call_.putSize(text.size());
    } else if (name == "Source") {
      call_.getSize(size);
      std::string payload(size, 'x');
      for (size_t i = 0; i < payload.size(); i += 4096) payload[i] = static_cast<char>('a' + i % 26);
      returns();
      call_.putText(payload);
    } else if (name == "Die") {
      std::raise(SIGKILL);
    } else if (name == "BadCallback") {
      sendAndHang(main_, "NextRecord");
    } else if (name == "BadReport") {
      sendAndHang(fromRemote_, "Report");
    } else if (name == "Drain") {
      call_.getText(drainChannel_);
      returns();
    } else {
      returns(name == "Ping" || name == "BareLoop" ? 0 : 2); // 2: invalid handle
    }
  }

  // "Values": answers as a bulk fetch of `count` one-value records in a
  // message of `total` bytes, made while it is sent. A total the host refuses
  // leaves the child waiting for an acknowledgement until the host ends it.
  void values() {
    uint64_t count = 0, total = 0;
    call_.getSize(count);
    call_.getSize(total);
    MadeValuesReply made;
    if (!made.begin(count, total)) {
      returns(2);
      reply(main_, call_);
      return;
    }
    if (!main_.sendMade(made.size(), [&made](unsigned char* area, size_t bytes) {
          made.fill(area, bytes);
        }))
      std::_Exit(1);
  }

  // "Callbacks": sends `count` callbacks named as asked with the host's key on
  // "main" before it replies; "Reports": sends `count` "Report" calls on
  // "async_fromremote". The reply lists the statuses (and, for callbacks, the
  // ints the host answered).
  void callbacks(bool reports) {
    uint64_t hostKey = 0;
    std::string callbackName = "Report";
    int32_t count = 0;
    call_.getSize(hostKey);
    if (!reports) call_.getText(callbackName);
    call_.getInt(count);
    RemoteCall report;
    std::vector<unsigned char> scratch;
    std::vector<int32_t> answers;
    for (int32_t i = 0; i < count; ++i) {
      RemoteCall& call = reports ? report : call_;
      const int32_t status = exchange(reports ? fromRemote_ : main_, call, callbackName.c_str(),
                                      hostKey, i, reports ? scratch : message_);
      answers.push_back(status);
      int32_t value = -1;
      if (!reports && status == 0) call.getInt(value);
      if (!reports) answers.push_back(value);
    }
    returns();
    call_.putSize(reports ? answers.size() : answers.size() / 2);
    for (int32_t answer : answers) call_.putInt(answer);
  }

  // The benchmarks' baseline: the bare semaphore loop on "<base>.bare", with
  // no message layer. Every chunk is copied out and acknowledged; a total
  // length of all ones ends the loop.
  void bareLoop() {
    ChildEndpoint bare(base_, "bare", 1000000);
    std::vector<unsigned char> sink(kBareSinkSize); // as large as the messages pushed
    size_t offset = 0;
    const auto* area = static_cast<const unsigned char*>(static_cast<void*>(&bare.header())) +
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
    std::thread([&child] { child.serveCancels(); }).detach();
    child.serveMain();
  } catch (...) {
    return 3;
  }
  std::_Exit(0);
}
