// The entry points a module exports, under both generations' names.
#ifndef QUEX_TOOLS_QUEX_CHECK_ENTRY_NAMES_H
#define QUEX_TOOLS_QUEX_CHECK_ENTRY_NAMES_H

namespace quex::check {

enum class Need { Required, Optional, Interaction, CurrentOnly, OlderOnly };

struct EntryName {
  const char* current; // null: not looked up in the current generation
  const char* older;   // null: not looked up in the older generation
  Need need;
};

inline constexpr EntryName kEntryNames[] = {
    {"qx_initialise", "tarnext_initialise", Need::Required},
    {"qx_cleanup", "tarnext_cleanup", Need::Required},
    {"qx_getModuleInformation", "tarnext_getModuleInformation", Need::Optional},
    {"qx_create_component", nullptr, Need::CurrentOnly},
    {"qx_destroy_component", "tarnext_destroy_peer", Need::Required},
    {"qx_component_configure", "tarnext_peer_configure", Need::Required},
    {"qx_component_getDataModel", "tarnext_peer_getDataModel", Need::Required},
    {"qx_component_getExecutionRequirements", "tarnext_peer_getExecutionRequirements",
     Need::Optional},
    {"qx_component_getCatalogueInformation", "tarnext_peer_getCatalogueInformation",
     Need::Optional},
    {"qx_component_beginExecution", "tarnext_peer_beginExecution", Need::Required},
    {"qx_component_endExecution", "tarnext_peer_endExecution", Need::Required},
    {"qx_component_cancelExecution", "tarnext_peer_cancelExecution", Need::Optional},
    {"qx_component_nextRecord", "tarnext_peer_nextRecord", Need::Required},
    {"qx_component_getRecordValue", "tarnext_peer_getRecordValue", Need::Required},
    {"qx_component_bulkFetch", "tarnext_peer_bulkFetch", Need::Optional},
    {"qx_component_getSQLGeneration", "tarnext_peer_getSQLGeneration", Need::Optional},
    {"qx_component_getErrorDetail", "tarnext_peer_getErrorDetail", Need::Required},
    {"qx_component_beginInteraction", "tarnext_peer_beginInteraction", Need::Interaction},
    {"qx_component_endInteraction", "tarnext_peer_endInteraction", Need::Interaction},
    {"qx_component_request", "tarnext_peer_request", Need::Interaction},
    {"qx_component_getRequestReply", "tarnext_peer_getRequestReply", Need::Interaction},
    {"qx_component_getPsmControlInformation", "tarnext_peer_getPsmControlInformation",
     Need::Optional},
    {"qx_component_psmMerge", "tarnext_peer_psmMerge", Need::Optional},
    {nullptr, "tarnext_create_peer", Need::OlderOnly},
    {nullptr, "tarnext_peer_call", Need::Optional},
};

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_ENTRY_NAMES_H
