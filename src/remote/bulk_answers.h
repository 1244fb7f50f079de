// Answers to a host's bulk fetch read ahead in one exchange. A host that
// reads a module's output in bulk asks again and again with the same
// arguments; after the first such repeat, the child is asked for several
// answers' worth of records at once (`wanted()`, doubling up to kMaxAnswers),
// and the calls after it take theirs from here without a round trip.
//
// The child reads ahead only whole records, of a module without its own bulk
// fetch, each read as the wrapper's own emulation reads it. So any later call
// can be answered from them: the values it asks for are cut out of each
// record, as many records as its capacity holds.
#ifndef QUEX_SRC_REMOTE_BULK_ANSWERS_H
#define QUEX_SRC_REMOTE_BULK_ANSWERS_H

#include <quex/qx.h>

#include <cstddef>
#include <cstdint>

namespace Remote {

class BulkAnswers {
public:
  // Most answers one exchange reads ahead; the child stops sooner when the
  // records would no longer fit where it keeps them for a crash.
  static constexpr uint64_t kMaxAnswers = 64;

  struct Arguments {
    uint64_t capacity = 0;
    uint64_t fieldCount = 0;
    uint64_t offset = 0; // the values skipped in each record
    bool operator==(const Arguments& other) const noexcept {
      return capacity == other.capacity && fieldCount == other.fieldCount &&
             offset == other.offset;
    }
  };

  // `records` records from record `first` of what the exchange got.
  struct Answer {
    uint64_t first = 0;
    uint64_t records = 0;
    bool last = false; // the exchange's own status and error code go with it
  };

  // How many answers the next exchange for `arguments` asks for: one, until
  // the same arguments come twice in a row, then twice as many each time.
  uint64_t wanted(const Arguments& arguments) noexcept {
    if (!(arguments == arguments_)) {
      arguments_ = arguments;
      wanted_ = 1;
    } else if (wanted_ < kMaxAnswers) {
      wanted_ *= 2;
    }
    return wanted_;
  }

  // An exchange got `records` records of `width` values and ended with
  // `status` and `errorCode`, which its last answer carries. Whole records
  // are cut into answers; anything else is one answer, as it came.
  void store(uint64_t width, uint64_t records, bool whole, QXStatus status,
             int errorCode) noexcept {
    width_ = width;
    records_ = records;
    served_ = 0;
    whole_ = whole;
    fresh_ = true;
    status_ = status;
    errorCode_ = errorCode;
  }

  // The next answer: for a call with `arguments` from whole records read
  // ahead, or what store() got as it came. False when nothing is left.
  bool next(const Arguments& arguments, Answer& answer) noexcept {
    if (!fresh_ && served_ >= records_) return false;
    fresh_ = false;
    uint64_t count = records_ - served_;
    if (whole_) {
      // As the emulation: a capacity below the values asked for takes no
      // record, and no values at all take every record.
      if (arguments.fieldCount > arguments.capacity)
        count = 0;
      else if (arguments.fieldCount != 0 && count > arguments.capacity / arguments.fieldCount)
        count = arguments.capacity / arguments.fieldCount;
    }
    answer = Answer{served_, count, served_ + count == records_};
    served_ += count;
    return true;
  }

  // Whole records read ahead and not yet handed out, from record `first`;
  // they are no longer handed out from here.
  bool takeRest(uint64_t& first, uint64_t& count) noexcept {
    if (!whole_ || served_ >= records_) return false;
    first = served_;
    count = records_ - served_;
    drop();
    return true;
  }
  // Whole records fetched otherwise, of which `served` are handed out already,
  // answer the next calls.
  void adopt(uint64_t width, uint64_t records, uint64_t served, int errorCode) noexcept {
    store(width, records, true, QX_OK, errorCode);
    served_ = served;
    fresh_ = false;
  }

  // What a call that took `answer` answers: the exchange's own status and
  // error code with its last answer; before it, the emulation's status and
  // the caller's `given` error code, untouched.
  QXStatus status(const Answer& answer) const noexcept {
    return answer.last ? status_ : answer.records > 0 ? QX_OK : QX_ERR_NO_DATA;
  }
  int errorCode(const Answer& answer, int given) const noexcept {
    return answer.last ? errorCode_ : given;
  }

  // Whether `records` whole records of `width` values lie in `values` values
  // received: a reply that claims more breaks the protocol.
  static bool holdsWhole(uint64_t width, uint64_t records, size_t values) noexcept {
    return width != 0 && records <= values / width;
  }
  // The values a call with `arguments` asks for of `answer`'s records, cut
  // out of the whole records in `from` and `fromLengths` (width() values
  // each, as holdsWhole() accepted): answer.records * fieldCount entries,
  // null past a record's width.
  void cut(const Answer& answer, const Arguments& arguments, char* const* from,
           const size_t* fromLengths, void** values, size_t* lengths) const noexcept {
    size_t at = 0;
    for (uint64_t record = answer.first; record < answer.first + answer.records; ++record)
      for (uint64_t field = arguments.offset; field < arguments.offset + arguments.fieldCount;
           ++field, ++at) {
        const bool inRecord = field < width_;
        values[at] = inRecord ? from[record * width_ + field] : nullptr;
        lengths[at] = inRecord ? fromLengths[record * width_ + field] : 0;
      }
  }

  uint64_t width() const noexcept { return width_; }
  bool whole() const noexcept { return whole_; }

  // Whatever was read ahead is no longer to be handed out.
  void drop() noexcept {
    records_ = served_ = 0;
    fresh_ = false;
  }
  // A new execution: no call repeats yet.
  void reset() noexcept {
    drop();
    arguments_ = Arguments{};
    wanted_ = 1;
  }

private:
  Arguments arguments_;
  uint64_t wanted_ = 1;
  uint64_t width_ = 0;
  uint64_t records_ = 0;
  uint64_t served_ = 0;
  bool whole_ = false;
  bool fresh_ = false; // what store() got is not yet handed out
  QXStatus status_ = QX_OK;
  int errorCode_ = 0;
};

} // namespace Remote

#endif // QUEX_SRC_REMOTE_BULK_ANSWERS_H
