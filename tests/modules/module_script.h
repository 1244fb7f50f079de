// What a scripted test module does, decided by the test. The test hands a
// ModuleScript to the module as the `owner` of the QXHost table it passes to
// qx_initialise; the module answers every entry point from it and records
// what it was asked. Module and test are built by the same compiler, so the
// standard-library types may cross.
#ifndef QUEX_TESTS_MODULES_MODULE_SCRIPT_H
#define QUEX_TESTS_MODULES_MODULE_SCRIPT_H

#include <quex/qx.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// Entry points, numbered as in the entry-point table.
enum Entry : int {
  kInitialise = 1, kCleanup, kGetModuleInformation, kCreateComponent, kDestroy, kConfigure,
  kGetDataModel, kGetExecutionRequirements, kGetCatalogueInformation, kBeginExecution,
  kEndExecution, kCancelExecution, kNextRecord, kGetRecordValue, kBulkFetch, kGetSQLGeneration,
  kGetErrorDetail, kBeginInteraction, kEndInteraction, kRequest, kGetRequestReply,
  kGetPsmControlInformation, kPsmMerge, kCreatePeer, kPeerCall, kEntryCount
};

// The length a scripted module reports for a null value.
constexpr size_t kNullValueLength = 7;

struct ModuleScript {
  // Per entry: the status to answer, the error code to leave, whether to throw
  // (after leaving the error code), and how often it was called.
  QXStatus status[kEntryCount] = {};
  int errorCode[kEntryCount] = {};
  bool throws[kEntryCount] = {};
  int calls[kEntryCount] = {};

  std::string moduleInformation = "<ModuleInformation/>";
  // When not 0, every text answer is 13 with this needed size, whatever the buffer.
  size_t claimedNeeded = 0;
  std::string document = "<DataModel/>"; // every other document the module returns
  std::map<int, std::string> errorTexts; // getErrorDetail: code -> text
  std::string reply;

  std::vector<std::vector<std::optional<std::string>>> records;
  size_t currentRecord = 0; // 1-based once nextRecord has delivered a record

  std::vector<double> scores;
  std::vector<std::vector<double>> scoreRows;
  void* results[2] = {&scores, &scoreRows};

  // What the module saw.
  std::vector<size_t> moduleInformationBufferSizes;
  std::vector<int> detailCodes;
  std::vector<size_t> detailBufferSizes;
  std::vector<size_t> valueIndexes;
  std::string createText;
  int createNumber = 0;
  QXContext* context = nullptr;
  QXIterator* iterator = nullptr;
  QXProgress* progress = nullptr;
  QXChannel* channel = nullptr;
  std::string request;
  std::string catalogueText;
  std::string callName;
  void* callArgument = nullptr;
};

#endif // QUEX_TESTS_MODULES_MODULE_SCRIPT_H
