// The entry points as the host calls them, the names a report of a lost
// child gives (the wire's own calls, such as "BulkFetch", mean nothing to the
// host). One object per name, so a name is compared by its address.
#ifndef QUEX_SRC_REMOTE_HOST_CALLS_H
#define QUEX_SRC_REMOTE_HOST_CALLS_H

namespace Remote::host_call {

inline constexpr char kInitialise[] = "qx_initialise";
inline constexpr char kCreateComponent[] = "qx_create_component";
inline constexpr char kCreatePeer[] = "tarnext_create_peer";
inline constexpr char kDestroy[] = "qx_destroy_component";
inline constexpr char kNextRecord[] = "qx_component_nextRecord";
inline constexpr char kGetRecordValue[] = "qx_component_getRecordValue";

} // namespace Remote::host_call

#endif // QUEX_SRC_REMOTE_HOST_CALLS_H
