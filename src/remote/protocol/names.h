// The names both ends of the wire agree on: the calls the host sends the
// child, the callbacks the child sends the host, the three channels and the
// named objects each channel is made of.
#ifndef QUEX_SRC_REMOTE_PROTOCOL_NAMES_H
#define QUEX_SRC_REMOTE_PROTOCOL_NAMES_H

#include <cstddef>
#include <string>

namespace Remote::protocol {

// Every reply, on every channel, is a message named "return".
inline constexpr char kReturn[] = "return";

// Calls of the host on "main" (and the cancellation on "async_toremote").
namespace call {
inline constexpr char kTerminate[] = "TERMINATE";
// Answered QX_OK and nothing else: the first call on a child started ahead of
// need, after which the child waits for its module.
inline constexpr char kPing[] = "_ping";
inline constexpr char kDefineTargetLibrary[] = "_define_target_library";
// "_define_target_library", "qx_initialise" and "tarnext_create_peer", each a
// whole message, in one: a new component in one round trip. The child serves
// them in turn and stops after the first that does not answer QX_OK; its
// reply holds each reply as a whole message. A child that does not know it
// refuses it, and the host sends the three one by one.
inline constexpr char kStartComponent[] = "_start_component";
inline constexpr char kInitialise[] = "qx_initialise";
inline constexpr char kGetModuleInformation[] = "qx_getModuleInformation";
inline constexpr char kCreatePeer[] = "tarnext_create_peer";
inline constexpr char kDestroy[] = "qx_component_destroy";
inline constexpr char kConfigure[] = "qx_component_configure";
inline constexpr char kGetDataModel[] = "qx_component_getDataModel";
inline constexpr char kGetExecutionRequirements[] = "qx_component_getExecutionRequirements";
inline constexpr char kGetCatalogueInformation[] = "qx_component_getCatalogueInformation";
inline constexpr char kBeginExecution[] = "qx_component_beginExecution";
inline constexpr char kEndExecution[] = "qx_component_endExecution";
inline constexpr char kCancelExecution[] = "qx_component_cancelExecution";
// The proxy's record batches, for the host's nextRecord.
inline constexpr char kFetchBatch[] = "BulkFetch";
// The host's own bulk fetch as the host calls it (the name its trace and last
// calls give); it travels as kBulkFetchAhead.
inline constexpr char kBulkFetch[] = "qx_component_bulkFetch";
// A bulk fetch with the number of calls' answers wanted after the capacity:
// the child reads that many calls' records at once (fewer when they would not
// all be kept for a crash), or hands over the whole records it read ahead,
// and replies as to one call, with all of them and, after their count,
// whether they are whole records. A module's own bulk fetch is called once.
inline constexpr char kBulkFetchAhead[] = "_bulk_fetch_ahead";
inline constexpr char kGetSQLGeneration[] = "qx_component_getSQLGeneration";
inline constexpr char kGetErrorDetail[] = "qx_component_getErrorDetail";
inline constexpr char kBeginInteraction[] = "qx_component_beginInteraction";
inline constexpr char kEndInteraction[] = "qx_component_endInteraction";
inline constexpr char kRequest[] = "qx_component_request";
inline constexpr char kGetRequestReply[] = "qx_component_getRequestReply";
} // namespace call

// Callbacks of the child, keyed by the address of the host's table.
namespace callback {
inline constexpr char kGetHostInformation[] = "GetHostInformation";
inline constexpr char kCreateNewDocument[] = "CreateNewDocument";
inline constexpr char kCreateDocumentFromContents[] = "CreateDocumentFromContents";
inline constexpr char kTrace[] = "Trace";
inline constexpr char kGetContextInformation[] = "GetContextInformation";
inline constexpr char kGetParameters[] = "GetParameters";
inline constexpr char kGetDataModel[] = "GetDataModel";
inline constexpr char kGetOutputDataModel[] = "GetOutputDataModel";
inline constexpr char kGetSqlGeneration[] = "GetSqlGeneration";
inline constexpr char kGetPassword[] = "GetPassword";
inline constexpr char kGetFilePath[] = "GetFilePath";
inline constexpr char kNextRecord[] = "NextRecord";
inline constexpr char kGetRecordValue[] = "GetRecordValue";
inline constexpr char kRewind[] = "Rewind";
inline constexpr char kBulkFetch[] = "BulkFetch";
// On "async_fromremote", at any time.
inline constexpr char kReport[] = "Report";
inline constexpr char kSend[] = "Send";
} // namespace callback

// The channels of one child and the sizes of their regions.
inline constexpr char kMainChannel[] = "main";
inline constexpr char kAsyncFromRemoteChannel[] = "async_fromremote";
inline constexpr char kAsyncToRemoteChannel[] = "async_toremote";
inline constexpr size_t kMainRegionSize = 1000000;
inline constexpr size_t kAsyncRegionSize = 100000;

// "<base>.<channel>": the shared region of a channel.
inline std::string regionName(const std::string& base, const std::string& channel) {
  return base + "." + channel;
}
// "<base>_<channel>.toremote": released by the host when the child may read.
inline std::string toRemoteSemaphoreName(const std::string& base, const std::string& channel) {
  return base + "_" + channel + ".toremote";
}
// "<base>_<channel>.fromremote": released by the child when the host may read.
inline std::string fromRemoteSemaphoreName(const std::string& base, const std::string& channel) {
  return base + "_" + channel + ".fromremote";
}

} // namespace Remote::protocol

#endif // QUEX_SRC_REMOTE_PROTOCOL_NAMES_H
