// The one list of module entry points. The entry table, the lookups and their
// order, the required and optional groups, the list of optional entries a
// module offers and which entries reach a child-process module all come from
// QUEX_MODULE_ENTRY_POINTS; adding an entry is one row here.
#ifndef QUEX_SRC_FRONT_ENTRY_POINTS_H
#define QUEX_SRC_FRONT_ENTRY_POINTS_H

#include <quex/qx.h>

#include <cstddef>

namespace quex::detail {

// Required: load fails without it. Optional: answered QX_ERR_INVALID_OPERATION
// when missing. Interaction: all four or none. Late: optional, looked up after
// the interaction rule has passed.
enum class EntryGroup { Required, Optional, Interaction, Late };

// One row per entry, in the order load looks them up:
//   X(member, function type, current name, older name, group,
//     number in the entry table, reaches a child-process module)
// A null name: the entry does not exist in that generation. Lookups stop at the
// first missing required entry.
#define QUEX_MODULE_ENTRY_POINTS(X)                                                              \
  X(initialise, qx_initialise_fn, "qx_initialise", "tarnext_initialise", Required, 1, true)      \
  X(createComponent, qx_create_component_fn, "qx_create_component", nullptr, Required, 4, false) \
  X(createPeer, tarnext_create_peer_fn, nullptr, "tarnext_create_peer", Required, 24, true)      \
  X(peerCall, tarnext_peer_call_fn, nullptr, "tarnext_peer_call", Optional, 25, false)           \
  X(destroyComponent, qx_destroy_component_fn, "qx_destroy_component", "tarnext_destroy_peer",   \
    Required, 5, true)                                                                           \
  X(configure, qx_component_configure_fn, "qx_component_configure", "tarnext_peer_configure",    \
    Required, 6, true)                                                                           \
  X(getDataModel, qx_component_getDataModel_fn, "qx_component_getDataModel",                     \
    "tarnext_peer_getDataModel", Required, 7, true)                                              \
  X(beginExecution, qx_component_beginExecution_fn, "qx_component_beginExecution",               \
    "tarnext_peer_beginExecution", Required, 10, true)                                           \
  X(nextRecord, qx_component_nextRecord_fn, "qx_component_nextRecord",                           \
    "tarnext_peer_nextRecord", Required, 13, true)                                               \
  X(getRecordValue, qx_component_getRecordValue_fn, "qx_component_getRecordValue",               \
    "tarnext_peer_getRecordValue", Required, 14, true)                                           \
  X(getErrorDetail, qx_component_getErrorDetail_fn, "qx_component_getErrorDetail",               \
    "tarnext_peer_getErrorDetail", Required, 17, true)                                           \
  X(endExecution, qx_component_endExecution_fn, "qx_component_endExecution",                     \
    "tarnext_peer_endExecution", Required, 11, true)                                             \
  X(cleanup, qx_cleanup_fn, "qx_cleanup", "tarnext_cleanup", Required, 2, true)                  \
  X(cancelExecution, qx_component_cancelExecution_fn, "qx_component_cancelExecution",            \
    "tarnext_peer_cancelExecution", Optional, 12, true)                                          \
  X(getSQLGeneration, qx_component_getSQLGeneration_fn, "qx_component_getSQLGeneration",         \
    "tarnext_peer_getSQLGeneration", Optional, 16, true)                                         \
  X(getExecutionRequirements, qx_component_getExecutionRequirements_fn,                          \
    "qx_component_getExecutionRequirements", "tarnext_peer_getExecutionRequirements", Optional,  \
    8, true)                                                                                     \
  X(getCatalogueInformation, qx_component_getCatalogueInformation_fn,                            \
    "qx_component_getCatalogueInformation", "tarnext_peer_getCatalogueInformation", Optional, 9, \
    true)                                                                                        \
  X(bulkFetch, qx_component_bulkFetch_fn, "qx_component_bulkFetch", "tarnext_peer_bulkFetch",    \
    Optional, 15, true)                                                                          \
  X(getModuleInformation, qx_getModuleInformation_fn, "qx_getModuleInformation",                 \
    "tarnext_getModuleInformation", Optional, 3, false)                                          \
  X(beginInteraction, qx_component_beginInteraction_fn, "qx_component_beginInteraction",         \
    "tarnext_peer_beginInteraction", Interaction, 18, true)                                      \
  X(endInteraction, qx_component_endInteraction_fn, "qx_component_endInteraction",               \
    "tarnext_peer_endInteraction", Interaction, 19, true)                                        \
  X(request, qx_component_request_fn, "qx_component_request", "tarnext_peer_request",            \
    Interaction, 20, true)                                                                       \
  X(getRequestReply, qx_component_getRequestReply_fn, "qx_component_getRequestReply",            \
    "tarnext_peer_getRequestReply", Interaction, 21, true)                                       \
  X(getPsmControlInformation, qx_component_getPsmControlInformation_fn,                          \
    "qx_component_getPsmControlInformation", "tarnext_peer_getPsmControlInformation", Late, 22,  \
    false)                                                                                       \
  X(psmMerge, qx_component_psmMerge_fn, "qx_component_psmMerge", "tarnext_peer_psmMerge", Late,  \
    23, false)

// The resolved entries of one module; null where the module exports nothing.
struct EntryPoints {
#define QUEX_ENTRY_MEMBER(member, type, current, older, group, number, remote)                  \
  type member = nullptr;
  QUEX_MODULE_ENTRY_POINTS(QUEX_ENTRY_MEMBER)
#undef QUEX_ENTRY_MEMBER
};

enum class Entry : size_t {
#define QUEX_ENTRY_ENUM(member, type, current, older, group, number, remote) member,
  QUEX_MODULE_ENTRY_POINTS(QUEX_ENTRY_ENUM)
#undef QUEX_ENTRY_ENUM
};

struct EntryRow {
  const char* currentName;
  const char* olderName;
  EntryGroup group;
  int number; // in the entry table: the order in which entries are listed
  bool remote; // a child-process module is reached through the proxy
  void (*store)(EntryPoints&, void*);
  bool (*present)(const EntryPoints&);

  const char* name(bool olderGeneration) const { return olderGeneration ? olderName : currentName; }
};

// Symbols are looked up as data pointers; storing one as a function pointer
// is what the platform's dynamic loader promises to make work.
constexpr EntryRow kEntryRows[] = {
#define QUEX_ENTRY_ROW(member, type, current, older, group, number, remote)                      \
  {current,                                                                                      \
   older,                                                                                        \
   EntryGroup::group,                                                                            \
   number,                                                                                       \
   remote,                                                                                       \
   [](EntryPoints& e, void* symbol) { e.member = reinterpret_cast<type>(symbol); },              \
   [](const EntryPoints& e) { return e.member != nullptr; }},
    QUEX_MODULE_ENTRY_POINTS(QUEX_ENTRY_ROW)
#undef QUEX_ENTRY_ROW
};

constexpr size_t kEntryCount = sizeof(kEntryRows) / sizeof(kEntryRows[0]);

constexpr const EntryRow& entryRow(Entry entry) { return kEntryRows[static_cast<size_t>(entry)]; }

} // namespace quex::detail

#endif // QUEX_SRC_FRONT_ENTRY_POINTS_H
