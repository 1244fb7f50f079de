/*
 * qx.h - the C interface between a quex host and an extension module.
 *
 * A module is a shared library that exports the entry points of the second
 * half of this file (current generation: "qx_" names; older generation:
 * "tarnext_" names). The host reaches the module only through those entry
 * points; the module reaches the host only through the callback tables of the
 * first half, which the host builds and hands over in the entry calls.
 *
 * Conventions shared by every call in either direction:
 *  - Every call returns a QXStatus: QX_OK or one of the QX_ERR_ codes.
 *  - The last parameter `int* errorCode` carries a module-specific code; the
 *    callee sets it to 0 on entry (except qx_component_getErrorDetail, where it
 *    carries in the code whose text is asked for). It is never null.
 *  - Texts are returned under the text-return convention: the callee sets
 *    `*needed` to the text's length plus one; when `bufferSize < *needed` it
 *    answers QX_ERR_INSUFFICIENT_BUFFER and leaves `buffer` untouched (so
 *    `buffer` may be null with `bufferSize` 0), otherwise it copies the text and
 *    its zero byte to `buffer`. Ask once, read `*needed`, ask again with a
 *    large enough buffer.
 *  - Texts crossing this interface are zero-terminated UTF-8. A `const char*`
 *    argument belongs to the caller and is read during the call only.
 *  - Every table is a plain structure of pointer-sized members. Member 1,
 *    `owner`, is opaque: pass it back as the first argument of every member.
 *    The member order is binary interface and never changes.
 *
 * Threads. Each member and entry point ends its comment with one tag:
 *  [host]      an entry point: the host calls it on a thread of its own. It
 *              makes one call at a time per component, except cancelExecution;
 *              whether calls on different components may overlap is between
 *              the host and the module.
 *  [in call]   a callback for use inside an entry call, on that call's thread.
 *              A module in a child process reaches the host only while the host
 *              waits in a call; elsewhere these answer QX_ERR_CALLBACK there.
 *  [any]       any thread of the module, also between entry calls, for as long
 *              as the table is valid.
 *  [document]  any thread, one thread at a time per document (a document handle
 *              and everything made from it).
 *
 * A callback that throws inside the host answers QX_ERR_CALLBACK; a callback of
 * a module in a child process whose host has gone answers QX_ERR_REMOTE.
 *
 * This header compiles as C99 and as C++ (gcc and clang, -pedantic).
 */
#ifndef QUEX_QX_H
#define QUEX_QX_H

/* The version of the binary interface this header describes: the tables'
   members and their order, the entry names and their parameter lists, the
   status values. It grows only by additions (a member at the end of a table,
   a new optional entry point, a new status code); nothing present is ever
   moved, removed or retyped. So a host of version N loads every module built
   against version N or earlier, and a module built against version N runs in
   a host of an earlier version only if it uses nothing added since. A change
   that could not keep this rule would not raise the number: it would be a new
   generation of entry names, as "qx_" followed "tarnext_". */
#define QX_INTERFACE_VERSION 1

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------- */
/* Status codes                                                              */
/* ------------------------------------------------------------------------- */

typedef uint32_t QXStatus;

#define QX_OK                            0u  /* success */
#define QX_ERR_MODULE_SPECIFIC           1u  /* module-specific failure; *errorCode holds its code */
#define QX_ERR_INVALID_HANDLE            2u  /* a required handle is missing or unknown */
#define QX_ERR_INVALID_OPERATION         3u  /* entry point missing, or operation not applicable */
#define QX_ERR_COMPONENTID_NOT_SUPPORTED 4u  /* the module does not make this kind of component */
#define QX_ERR_XML                       5u  /* XML operation on an empty handle or bad position */
#define QX_ERR_NOT_CONFIGURED            6u  /* the component has not been configured */
#define QX_ERR_NOT_EXECUTABLE            7u  /* the component cannot execute as configured */
#define QX_ERR_NOT_EXECUTING             8u  /* the call needs a running execution */
#define QX_ERR_NO_DATA                   9u  /* no (more) records, or an exhausted iterator */
#define QX_ERR_NO_SQL                   10u  /* the component generates no SQL */
#define QX_ERR_NO_ERROR_DETAIL          11u  /* no text is known for the error code */
#define QX_ERR_INTERRUPTED              12u  /* the execution was cancelled */
#define QX_ERR_INSUFFICIENT_BUFFER      13u  /* buffer too small; *needed holds the size */
#define QX_ERR_CALLBACK                 14u  /* a callback into the host failed */
#define QX_ERR_NOT_INITIALIZED          15u  /* the module has not been initialised */
#define QX_ERR_NOT_IMPLEMENTED          16u  /* the operation is not implemented */
#define QX_ERR_CANNOT_MATCH_KEY         17u  /* a lookup key is unknown */
#define QX_ERR_EXCEPTION_THROWN         18u  /* a module entry point threw an exception */
#define QX_ERR_NOT_INTERACTIVE          19u  /* the component does not interact */
#define QX_ERR_NOT_INTERACTING          20u  /* no interaction is in progress */
#define QX_ERR_INVALID_REQUEST          21u  /* the interaction request is not understood */
#define QX_ERR_NO_REPLY                 22u  /* the request produced no reply */
#define QX_ERR_REMOTE                   23u  /* the child process of the module failed or is gone */
#define QX_ERR_EXPAND_FILE_PATH         25u  /* the host could not expand a file path */
#define QX_ERR_OPEN_JVM                 39u  /* the host could not open a Java virtual machine */
#define QX_ERR_CLOSE_JVM                41u  /* the host could not close a Java virtual machine */

typedef struct QXXML QXXML;
typedef struct QXXMLIterator QXXMLIterator;

/* ------------------------------------------------------------------------- */
/* Host side: tables the host builds and hands to the module                 */
/* ------------------------------------------------------------------------- */

/* QXHost - host information, module tracing and document creation.
   Built by the host, given to qx_initialise; valid until qx_cleanup returns.
   The host keeps it; the module keeps the pointer. */
typedef struct QXHost {
  void* owner; /* opaque; pass back as the first argument */
  /* Returns the host information document (text-return convention). [in call] */
  QXStatus (*getHostInformation)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                 int* errorCode);
  /* Creates an empty document whose root is `rootName` (null counts as empty).
     *document is the module's until it calls dispose on it; a name that is not an
     XML name still yields a handle, without an element. Always QX_OK. [any] */
  QXStatus (*createNewDocument)(void* owner, const char* rootName, QXXML** document);
  /* Parses `text` (null: empty) into a new document, the module's until dispose. A
     text that is not well-formed still yields a handle, which answers QX_ERR_XML to
     element operations. Always QX_OK. [any] */
  QXStatus (*createDocumentFromContents)(void* owner, const char* text, QXXML** document);
  /* Writes `text` to the host's trace outputs unchanged, whatever the trace level;
     null is ignored. [in call] */
  void (*trace)(void* owner, const char* text);
} QXHost;

/* QXContext - the documents and secrets of one component.
   Built by the host, given to qx_create_component / tarnext_create_peer; valid
   until qx_destroy_component returns for that component. Every member sets
   *errorCode to 0 and returns texts under the text-return convention. */
typedef struct QXContext {
  void* owner; /* opaque; pass back as the first argument */
  /* Returns the context information document (empty when the host set none). [in call] */
  QXStatus (*getContextInformation)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                    int* errorCode);
  /* Returns the component's parameters document, decrypted. Never traced. [in call] */
  QXStatus (*getParameters)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                            int* errorCode);
  /* Returns the input data model document. [in call] */
  QXStatus (*getDataModel)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                           int* errorCode);
  /* Returns the SQL generation document. [in call] */
  QXStatus (*getSQLGeneration)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                               int* errorCode);
  /* Returns the password stored under `key`; QX_ERR_CANNOT_MATCH_KEY for an unknown or
     null key (exact, case-sensitive match; the last one stored wins). Never traced.
     [in call] */
  QXStatus (*getPassword)(void* owner, const char* key, char* buffer, size_t bufferSize,
                          size_t* needed, int* errorCode);
  /* Returns the file path stored under `key`, as getPassword does. [in call] */
  QXStatus (*getFilePath)(void* owner, const char* key, char* buffer, size_t bufferSize,
                          size_t* needed, int* errorCode);
  /* Returns the output data model document; QX_ERR_INVALID_OPERATION while the host
     has none, `*needed` untouched. [in call] */
  QXStatus (*getOutputDataModel)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                 int* errorCode);
  /* Returns the PSM merge information document; a module in a child process gets
     QX_ERR_INVALID_OPERATION. [in call] */
  QXStatus (*getPsmMergeInformation)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                     int* errorCode);
  /* Opens a Java virtual machine through the host into *jvm (the host's; `text` is
     passed on unchanged); QX_ERR_OPEN_JVM on refusal and always in a child process.
     [in call] */
  QXStatus (*openJVM)(void* owner, void** jvm, const char* text, int* errorCode);
  /* Closes a virtual machine from openJVM; QX_ERR_CLOSE_JVM on refusal. [in call] */
  QXStatus (*closeJVM)(void* owner, void* jvm, int* errorCode);
  /* Returns `path` expanded by the host; QX_ERR_EXPAND_FILE_PATH on refusal, for a
     null path and always in a child process. [in call] */
  QXStatus (*expandFilePath)(void* owner, const char* path, char* buffer, size_t bufferSize,
                             size_t* needed, int* errorCode);
  /* The same with host-defined `flags`, passed on unchanged. [in call] */
  QXStatus (*expandFilePathExt)(void* owner, const char* path, unsigned int flags, char* buffer,
                                size_t bufferSize, size_t* needed, int* errorCode);
} QXContext;

/* QXIterator - the input records of an execution.
   Built by the host, given to qx_component_beginExecution; valid until
   qx_component_endExecution returns. Every status and *errorCode comes from the
   host's record source unchanged. */
typedef struct QXIterator {
  void* owner; /* opaque; pass back as the first argument */
  /* Advances to the next input record; QX_ERR_NO_DATA after the last one. [in call] */
  QXStatus (*nextRecord)(void* owner, int* errorCode);
  /* Points *value at field `index` of the current record, *length bytes; *value is
     null for a null value. The bytes stay the host's, valid until the next
     nextRecord or rewind. [in call] */
  QXStatus (*getRecordValue)(void* owner, size_t index, void** value, size_t* length,
                             int* errorCode);
  /* Goes back before the first record. [in call] */
  QXStatus (*rewind)(void* owner, int* errorCode);
  /* Fills `values`/`lengths` (`capacity` entries each, the module's arrays) with whole
     records, field by field; the counts are read on entry and written on return.
     The value bytes stay the host's until the next bulkFetch. [in call] */
  QXStatus (*bulkFetch)(void* owner, size_t capacity, void** values, size_t* lengths,
                        size_t* fieldCount, size_t* recordCount, int* errorCode);
} QXIterator;

/* QXProgress - progress reports with diagnostics.
   Built by the host, given to qx_component_beginExecution; valid until
   qx_component_endExecution returns. */
typedef struct QXProgress {
  void* owner; /* opaque; pass back as the first argument */
  /* Reports a progress document (zero-terminated; `length` is its byte count) whose
     Diagnostic elements reach the host's listener before the call returns.
     QX_ERR_XML for a null or not well-formed text; *errorCode is left as given. [any] */
  QXStatus (*report)(void* owner, const char* text, size_t length, int* errorCode);
} QXProgress;

/* QXChannel - messages from the component during an interaction.
   Built by the host, given to qx_component_beginInteraction; valid until
   qx_component_endInteraction returns. */
typedef struct QXChannel {
  void* owner; /* opaque; pass back as the first argument */
  /* Sends a message of `length` bytes to the host; the status and *errorCode are the
     host's. [any] */
  QXStatus (*send)(void* owner, const char* text, size_t length, int* errorCode);
} QXChannel;

/* QXXML - a document or one of its elements.
   Made by QXHost's creation members, by addElement and by element iterators. A
   document handle owns everything made from it (element handles, iterators,
   returned texts), all valid until the module disposes of the document; the
   module disposes of document handles only. Text members follow the text-return
   convention without the errorCode parameter. A handle without an element (a
   failed creation) answers QX_ERR_XML to every member but dispose and doc2string,
   and leaves out-parameters untouched. [document] */
struct QXXML {
  void* owner; /* opaque; pass back as the first argument */
  /* Releases a document handle and everything made from it; the handle is gone
     afterwards. Always QX_OK. */
  QXStatus (*dispose)(void* owner);
  /* Serialises the whole document as UTF-8 text; QX_ERR_INVALID_OPERATION for an
     element handle or a handle without a document. */
  QXStatus (*doc2string)(void* owner, char* buffer, size_t bufferSize, size_t* needed);
  /* Returns the element's tag name. */
  QXStatus (*getName)(void* owner, char* buffer, size_t bufferSize, size_t* needed);
  /* Sets *result to 1 when the element carries attribute `name`, else 0. */
  QXStatus (*hasAttribute)(void* owner, const char* name, int* result);
  /* Returns the value of attribute `name`; an absent attribute gives an empty text. */
  QXStatus (*getAttribute)(void* owner, const char* name, char* buffer, size_t bufferSize,
                           size_t* needed);
  /* Removes attribute `name`; an absent one is not an error. */
  QXStatus (*removeAttribute)(void* owner, const char* name);
  /* Makes *iterator walk the descendant elements named `name` in document order
     ("*": all of them), or, for an empty `name`, the element's direct children. */
  QXStatus (*getElementIterator)(void* owner, const char* name, QXXMLIterator** iterator);
  /* Makes *iterator walk the element's direct text children. */
  QXStatus (*getTextIterator)(void* owner, QXXMLIterator** iterator);
  /* Sets attribute `name` to `value`, replacing an earlier value. */
  QXStatus (*addAttribute)(void* owner, const char* name, const char* value);
  /* Appends a child element `name` and makes *element a handle on it. */
  QXStatus (*addElement)(void* owner, const char* name, QXXML** element);
  /* Appends a text child. */
  QXStatus (*addText)(void* owner, const char* text);
};

/* QXXMLIterator - a forward walk over child elements or texts, made by a QXXML
   handle and owned by its document, valid until the document is disposed of.
   [document] */
struct QXXMLIterator {
  void* owner; /* opaque; pass back as the first argument */
  /* Sets *result to 1 while items remain, else 0, without moving. Always QX_OK. */
  QXStatus (*hasMoreItems)(void* owner, int* result);
  /* Moves to the next item and stores it in *item: a QXXML* for elements, a
     const char* for texts, both owned by the document. QX_ERR_NO_DATA at the end. */
  QXStatus (*nextItem)(void* owner, void** item);
  /* Removes the item the last nextItem returned from the document; QX_ERR_XML before
     the first nextItem. A handle already returned for it stays usable. */
  QXStatus (*deleteItem)(void* owner);
  /* Ends the walk; nothing is released before the document is. Always QX_OK. */
  QXStatus (*close)(void* owner);
};

/* ------------------------------------------------------------------------- */
/* Module side: entry points a module exports                                */
/* ------------------------------------------------------------------------- */

/* Marks a module's entry point for export under its C name, whatever the
   module's visibility default (-fvisibility=hidden included); in C++ it
   carries the extern "C" that the host's lookup by name needs:
     QX_MODULE_EXPORT QXStatus qx_initialise(QXHost* host, int* errorCode) { ... } */
#if defined(__GNUC__) || defined(__clang__)
#define QX_MODULE_VISIBLE __attribute__((visibility("default")))
#else
#define QX_MODULE_VISIBLE
#endif
#ifdef __cplusplus
#define QX_MODULE_EXPORT extern "C" QX_MODULE_VISIBLE
#else
#define QX_MODULE_EXPORT QX_MODULE_VISIBLE
#endif

/* Each typedef is the shape of one entry point; the current-generation export
   name comes first, the older-generation one after it. The library loads only if
   every [required] entry is exported; the four [interaction] entries are all
   exported or none; the host answers QX_ERR_INVALID_OPERATION itself for a
   missing optional one. `component` is the module's handle from the creation
   entry, passed back unchanged and never read by the host. An entry must not let
   an exception escape (the host would answer QX_ERR_EXCEPTION_THROWN and lose the
   module's error text). Every entry is [host]. */

/* "qx_initialise" / "tarnext_initialise" [required]: the first call. `host` stays
   valid until qx_cleanup returns. Any status but QX_OK leaves the module unusable.
   A module run in child processes is loaded and initialised once per component,
   each in a process of its own. */
typedef QXStatus (*qx_initialise_fn)(QXHost* host, int* errorCode);
/* "qx_cleanup" / "tarnext_cleanup" [required]: the last call, after every component
   is destroyed; release everything. The library may be unloaded right after. */
typedef QXStatus (*qx_cleanup_fn)(int* errorCode);
/* "qx_getModuleInformation" / "tarnext_getModuleInformation": the module information
   document (text-return convention); asked right after qx_initialise. */
typedef QXStatus (*qx_getModuleInformation_fn)(char* buffer, size_t bufferSize, size_t* needed,
                                               int* errorCode);
/* "qx_create_component" [required, current generation]: makes a component and stores
   its handle in *component. `context` (may be null) is valid until the component is
   destroyed; `text` is the host's request, passed on unchanged. A failure leaves no
   component: the host does not destroy it. */
typedef QXStatus (*qx_create_component_fn)(QXContext* context, const char* text, void** component,
                                           int* errorCode);
/* "qx_destroy_component" / "tarnext_destroy_peer" [required]: the component's last call;
   its context is invalid afterwards. */
typedef QXStatus (*qx_destroy_component_fn)(void* component, int* errorCode);
/* "qx_component_configure" / "tarnext_peer_configure" [required]: reads the context and
   prepares the component; later calls may answer QX_ERR_NOT_CONFIGURED without it. */
typedef QXStatus (*qx_component_configure_fn)(void* component, int* errorCode);
/* "qx_component_getDataModel" / "tarnext_peer_getDataModel" [required]: the output data
   model document (text-return convention); `number` is the host's, passed on unchanged. */
typedef QXStatus (*qx_component_getDataModel_fn)(void* component, int number, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode);
/* "qx_component_getExecutionRequirements" / "tarnext_peer_getExecutionRequirements":
   the execution requirements document (text-return convention). */
typedef QXStatus (*qx_component_getExecutionRequirements_fn)(void* component, char* buffer,
                                                             size_t bufferSize, size_t* needed,
                                                             int* errorCode);
/* "qx_component_getCatalogueInformation" / "tarnext_peer_getCatalogueInformation": the
   catalogue information document (text-return convention); `text` is the host's,
   passed on unchanged. */
typedef QXStatus (*qx_component_getCatalogueInformation_fn)(void* component, const char* text,
                                                            char* buffer, size_t bufferSize,
                                                            size_t* needed, int* errorCode);
/* "qx_component_beginExecution" / "tarnext_peer_beginExecution" [required]: starts an
   execution. `iterator` (input records) and `progress` may be null; both are valid
   until qx_component_endExecution returns. */
typedef QXStatus (*qx_component_beginExecution_fn)(void* component, QXIterator* iterator,
                                                   QXProgress* progress, int* errorCode);
/* "qx_component_endExecution" / "tarnext_peer_endExecution" [required]: ends the
   execution; the iterator and progress tables are invalid afterwards. */
typedef QXStatus (*qx_component_endExecution_fn)(void* component, int* errorCode);
/* "qx_component_cancelExecution" / "tarnext_peer_cancelExecution": asks a running
   execution to stop; the next record call may answer QX_ERR_INTERRUPTED. [host] but may
   arrive on another thread while a call on the same component runs. */
typedef QXStatus (*qx_component_cancelExecution_fn)(void* component, int* errorCode);
/* "qx_component_nextRecord" / "tarnext_peer_nextRecord" [required]: moves to the next
   output record; QX_ERR_NO_DATA after the last one. */
typedef QXStatus (*qx_component_nextRecord_fn)(void* component, int* errorCode);
/* "qx_component_getRecordValue" / "tarnext_peer_getRecordValue" [required]: points
   *value at field `index` of the current record, *length bytes, null for a null value.
   The bytes stay the module's, valid until the next nextRecord. */
typedef QXStatus (*qx_component_getRecordValue_fn)(void* component, size_t index, void** value,
                                                   size_t* length, int* errorCode);
/* "qx_component_bulkFetch" / "tarnext_peer_bulkFetch": fills `values`/`lengths` (the
   host's arrays of `capacity` entries) with whole records, field by field; the counts
   come in as the host set them and go out as fields per record and records delivered.
   QX_ERR_NO_DATA when no record is left. The bytes stay the module's until the next
   fetch. Without this entry the host reads record by record. */
typedef QXStatus (*qx_component_bulkFetch_fn)(void* component, size_t capacity, void** values,
                                              size_t* lengths, size_t* fieldCount,
                                              size_t* recordCount, int* errorCode);
/* "qx_component_getSQLGeneration" / "tarnext_peer_getSQLGeneration": the SQL generation
   document (text-return convention); QX_ERR_NO_SQL when the component makes none. */
typedef QXStatus (*qx_component_getSQLGeneration_fn)(void* component, char* buffer,
                                                     size_t bufferSize, size_t* needed,
                                                     int* errorCode);
/* "qx_component_getErrorDetail" / "tarnext_peer_getErrorDetail" [required]: the text
   for the module-specific code that *errorCode carries in (text-return convention);
   QX_ERR_NO_ERROR_DETAIL for a code without text. From trace level 1 the host asks for
   it after every call that answered QX_ERR_MODULE_SPECIFIC and traces it. */
typedef QXStatus (*qx_component_getErrorDetail_fn)(void* component, char* buffer,
                                                   size_t bufferSize, size_t* needed,
                                                   int* errorCode);
/* "qx_component_beginInteraction" / "tarnext_peer_beginInteraction" [interaction]:
   starts an interaction; `channel` (may be null) is valid until
   qx_component_endInteraction returns. */
typedef QXStatus (*qx_component_beginInteraction_fn)(void* component, QXChannel* channel,
                                                     int* errorCode);
/* "qx_component_endInteraction" / "tarnext_peer_endInteraction" [interaction]. */
typedef QXStatus (*qx_component_endInteraction_fn)(void* component, int* errorCode);
/* "qx_component_request" / "tarnext_peer_request" [interaction]: a request of `length`
   bytes, the host's during the call only; QX_ERR_NOT_INTERACTING outside an
   interaction. */
typedef QXStatus (*qx_component_request_fn)(void* component, const char* data, size_t length,
                                            int* errorCode);
/* "qx_component_getRequestReply" / "tarnext_peer_getRequestReply" [interaction]: the
   reply to the last request (text-return convention; never traced); QX_ERR_NO_REPLY
   when there is none. */
typedef QXStatus (*qx_component_getRequestReply_fn)(void* component, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode);
/* "qx_component_getPsmControlInformation" / "tarnext_peer_getPsmControlInformation": the
   PSM control document (text-return convention); in process only. */
typedef QXStatus (*qx_component_getPsmControlInformation_fn)(void* component, char* buffer,
                                                             size_t bufferSize, size_t* needed,
                                                             int* errorCode);
/* "qx_component_psmMerge" / "tarnext_peer_psmMerge": in process only. */
typedef QXStatus (*qx_component_psmMerge_fn)(void* component, int* errorCode);
/* "tarnext_create_peer" [required, older generation]: makes a component as
   qx_create_component does; `number` and `text` are the host's, passed on unchanged. */
typedef QXStatus (*tarnext_create_peer_fn)(QXContext* context, int number, const char* text,
                                           void** peer, int* errorCode);
/* "tarnext_peer_call" (older generation, in process only): a named call with an
   argument array whose shape the name fixes; the module sets *results to an array of
   result pointers that it owns. */
typedef QXStatus (*tarnext_peer_call_fn)(void* component, const char* callName, void** arguments,
                                         void*** results, int* errorCode);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* QUEX_QX_H */
