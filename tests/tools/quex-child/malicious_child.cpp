// A child program that breaks the protocol on purpose. It answers the calls
// of a module start and a component creation correctly, then misbehaves in
// the way the module name it is given asks for:
//   "define-garbage"      answers "_define_target_library" with a text that
//                         runs past the end of the message
//   "callback-overlong"   sends a callback whose name claims 2^60 bytes
//   "info-huge-needed"    asks for a module-information buffer of 2^62 bytes
//   "text-huge-needed"    answers "qx_component_getDataModel" with 13 and needed SIZE_MAX
//   "batch-count-huge"    a "BulkFetch" reply whose value count is 10^12
//   "batch-rows-overrun"  a "BulkFetch" reply with more rows than values
//   "batch-wide-forever"  answers every "BulkFetch" with 13 and 2^40 values per row
//   "batch-oversized"     a 3,000,000-byte "BulkFetch" reply of one value
//   "batch-over-limit"    a "BulkFetch" reply announced one byte longer than any
//                         message may be, sent until the host stops taking it
//   "batch-silent-exit"   ends without a reply in the middle of "BulkFetch"
//   "batch-kept-huge"     ends there too, leaving 2^32 kept records of 2^32 values
//   "batch-kept-short"    ends there too, leaving more kept records than bytes
//   "ahead-rows-overrun"  answers "_bulk_fetch_ahead" with one record, then with
//                         whole records past its values
//   "start-refused"       refuses "_start_component": the host sends its calls one by one
//   "start-truncated"     answers it with three replies announced and one sent
#include "child_endpoint.h"

#include "remote/protocol/kept_batch.h"
#include "remote/protocol/names.h"
#include "remote/protocol/remote_call.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Remote::RemoteCall;

class Mischief {
public:
  explicit Mischief(const std::string& base)
      : main_(base, Remote::protocol::kMainChannel, Remote::protocol::kMainRegionSize) {}

  void run() {
    std::string name;
    while (main_.receive(message_)) {
      call_.dataReceived(message_.data(), message_.size());
      if (!call_.readName(name)) return;
      uint64_t key = 0;
      call_.getSize(key);
      if (name == "TERMINATE") {
        reply(0);
        send();
        return;
      }
      if (name == Remote::protocol::call::kStartComponent) {
        startComponent();
        continue;
      }
      answer(name);
      send();
    }
  }

private:
  void reply(int32_t status) {
    call_.beginCall("return");
    call_.putInt(status);
  }
  void send() {
    size_t length = 0;
    const void* bytes = call_.data(length);
    if (!main_.send(bytes, length)) std::_Exit(1);
  }
  void sendRaw(const std::vector<unsigned char>& bytes) {
    if (!main_.send(bytes.data(), bytes.size())) std::_Exit(1);
  }

  // The three start calls in one message, each answered (and misbehaved
  // on) as if it came alone; the replies go back as whole messages.
  void startComponent() {
    const std::vector<unsigned char> outer = message_;
    uint64_t count = 0;
    call_.getSize(count);
    size_t at = outer.size() - call_.remaining();
    std::vector<std::vector<unsigned char>> replies;
    std::string name;
    for (uint64_t i = 0; i < count && at + 8 <= outer.size(); ++i) {
      uint64_t length = 0;
      std::memcpy(&length, outer.data() + at, 8);
      at += 8;
      if (length > outer.size() - at) break;
      call_.dataReceived(outer.data() + at, length);
      at += length;
      uint64_t key = 0;
      if (!call_.readName(name) || !call_.getSize(key)) break;
      answer(name);
      size_t size = 0;
      const auto* bytes = static_cast<const unsigned char*>(call_.data(size));
      replies.emplace_back(bytes, bytes + size);
      int32_t status = 0;
      if (size >= 8 + 6 + 4) std::memcpy(&status, bytes + 8 + 6, 4); // after "return"
      if (status != 0) break;
      if (module_ == "start-refused") {
        reply(2); // a refusal: the status alone
        send();
        return;
      }
    }
    std::vector<unsigned char> reply;
    auto put = [&](const void* data, size_t size) {
      const auto* from = static_cast<const unsigned char*>(data);
      reply.insert(reply.end(), from, from + size);
    };
    const uint64_t returnLength = 6;
    const int32_t ok = 0;
    const bool truncated = module_ == "start-truncated";
    const uint64_t served = truncated ? 3 : replies.size();
    if (truncated) replies.resize(1);
    put(&returnLength, 8);
    put("return", 6);
    put(&ok, 4);
    put(&served, 8);
    for (const auto& one : replies) {
      const uint64_t length = one.size();
      put(&length, 8);
      put(one.data(), one.size());
    }
    sendRaw(reply);
  }

  void answer(const std::string& name) {
    if (name == "_define_target_library") {
      std::string path;
      bool flag = false;
      call_.getText(module_);
      call_.getText(path);
      call_.getBool(flag);
      if (module_ == "define-garbage") {
        reply(0);
        call_.putSize(uint64_t(1) << 40); // a text longer than anything that follows
        call_.putSize(7);
        return;
      }
      if (module_ == "callback-overlong") {
        RemoteCall callback;
        callback.putSize(uint64_t(1) << 60);
        callback.putSize(0);
        size_t length = 0;
        const auto* bytes = static_cast<const unsigned char*>(callback.data(length));
        sendRaw(std::vector<unsigned char>(bytes, bytes + length));
        if (!main_.receive(message_)) std::_Exit(0); // the host drops us here
      }
      reply(0);
      call_.putText(module_);
      call_.putText(path);
      call_.putBool(false);
    } else if (name == "qx_initialise") {
      uint64_t host = 0;
      int32_t code = 0;
      call_.getSize(host);
      call_.getInt(code);
      reply(0);
      call_.putSize(host);
      call_.putInt(0);
    } else if (name == "qx_getModuleInformation") {
      if (module_ == "info-huge-needed") {
        reply(13);
        call_.putSize(uint64_t(1) << 62);
        call_.putInt(0);
      } else {
        reply(0);
        call_.putSize(1); // the empty text: its terminator alone
        call_.putInt(1);
        call_.putBool(false);
      }
      call_.putInt(0);
    } else if (name == "tarnext_create_peer") {
      uint64_t context = 0;
      int32_t number = 0;
      std::string text;
      call_.getSize(context);
      call_.getInt(number);
      call_.getText(text);
      reply(0);
      call_.putSize(context);
      call_.putInt(number);
      call_.putText(text);
      call_.putInt(0);
    } else if (name == "BulkFetch") {
      batch();
    } else if (name == "_bulk_fetch_ahead") {
      bulkFetch(bulkFetches_++ > 0);
    } else if (name == "qx_component_getDataModel" && module_ == "text-huge-needed") {
      int32_t number = 0;
      call_.getInt(number);
      reply(13);
      call_.putInt(number);
      call_.putSize(SIZE_MAX);
      call_.putInt(0);
      call_.putInt(0);
    } else {
      reply(0);
      call_.putInt(0);
    }
  }

  // Records of one value: one as asked, then 1000 whole ones in two values.
  void bulkFetch(bool overrun) {
    reply(0);
    call_.putSize(4);
    call_.putSize(overrun ? 2 : 1);
    for (int value = 0; value < (overrun ? 2 : 1); ++value) {
      call_.putBool(false);
      call_.putText("v");
    }
    call_.putSize(1);
    call_.putSize(overrun ? 1000 : 1);
    call_.putSize(overrun ? 1 : 0);
    call_.putInt(0);
  }

  void batch() {
    if (module_ == "batch-silent-exit") std::_Exit(4);
    if (module_.rfind("batch-kept-", 0) == 0) {
      auto* area = reinterpret_cast<unsigned char*>(&main_.header()) + Remote::kRegionHeaderSize;
      Remote::protocol::KeptBatch* kept =
          Remote::protocol::keptBatchIn(area, main_.chunkCapacity());
      const bool huge = module_ == "batch-kept-huge";
      kept->valuesPerRow = huge ? uint64_t(1) << 32 : 1; // a product of 2^64 values
      kept->bytes = 10; // one value of one byte
      kept->records = huge ? uint64_t(1) << 32 : 3;
      Remote::protocol::keptValues(kept)[0] = 0;
      kept->mark = Remote::protocol::kKeptBatchMark;
      std::_Exit(4);
    }
    if (module_ == "batch-over-limit") {
      main_.sendMade(RemoteCall::kMaxMessageSize + 1,
                     [](unsigned char* area, size_t count) { std::memset(area, 0, count); });
      std::_Exit(0); // the host has gone
    }
    if (module_ == "batch-wide-forever") {
      reply(13);
      call_.putSize(2000);
      call_.putSize(0);
      call_.putSize(uint64_t(1) << 40);
      call_.putSize(0);
      call_.putInt(0);
      return;
    }
    reply(0);
    call_.putSize(2000);
    if (module_ == "batch-count-huge") {
      call_.putSize(1000000000000ull);
      call_.putBool(true);
      call_.putSize(1);
      call_.putSize(1);
    } else if (module_ == "batch-rows-overrun") {
      call_.putSize(2);
      call_.putBool(true);
      call_.putBool(true);
      call_.putSize(5);
      call_.putSize(1000);
    } else if (module_ == "batch-oversized") {
      call_.putSize(1);
      call_.putBool(false);
      call_.putText(std::string(3000000, 'x'));
      call_.putSize(1);
      call_.putSize(1);
    } else {
      call_.putSize(0);
      call_.putSize(0);
      call_.putSize(0);
    }
    call_.putInt(0);
  }

  ChildEndpoint main_;
  RemoteCall call_;
  int bulkFetches_ = 0;
  std::vector<unsigned char> message_;
  std::string module_;
};

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Mischief(argv[1]).run();
  return 0;
}
