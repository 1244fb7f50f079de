/*
 * qx.h - the C interface between a quex host and an extension module.
 *
 * A module is a shared library that exports the entry points at the end of this
 * file (current generation: "qx_" names; older generation: "tarnext_" names).
 * The host reaches the module only through those entry points; the module
 * reaches the host only through the callback tables below.
 *
 * Conventions shared by every call in either direction:
 *  - Every call returns a QXStatus: QX_OK or one of the QX_ERR_ codes.
 *  - The last parameter `int* errorCode` carries a module-specific code; the
 *    callee sets it to 0 on entry (except qx_component_getErrorDetail, where it
 *    carries in the code whose text is asked for).
 *  - Texts are returned under the text-return convention: the callee sets
 *    `*needed` to the text's length plus one; when `bufferSize < *needed` it
 *    answers QX_ERR_INSUFFICIENT_BUFFER and leaves `buffer` untouched,
 *    otherwise it copies the text and its zero byte to `buffer`. Ask once,
 *    read `*needed`, ask again with a large enough buffer.
 *  - Texts crossing this interface are zero-terminated UTF-8.
 *  - Every table is a plain structure of pointer-sized members. Member 1,
 *    `owner`, is opaque: pass it back as the first argument of every member.
 *    The member order is binary interface and never changes.
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
   Built by the host, given to qx_initialise; valid until the module is
   cleaned up. Members run on the calling thread. */
typedef struct QXHost {
  void* owner; /* opaque; pass back as the first argument */
  /* Returns the host information document (text-return convention). */
  QXStatus (*getHostInformation)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                 int* errorCode);
  /* Creates an empty document whose root is `rootName`; the module owns *document
     and releases it with its dispose member. */
  QXStatus (*createNewDocument)(void* owner, const char* rootName, QXXML** document);
  /* Parses `text` into a new document owned by the module; a text that is not
     well-formed still yields a handle, whose element operations answer QX_ERR_XML. */
  QXStatus (*createDocumentFromContents)(void* owner, const char* text, QXXML** document);
  /* Writes `text` to the host's trace outputs unchanged, whatever the trace level. */
  void (*trace)(void* owner, const char* text);
} QXHost;

/* QXContext - the documents and secrets of one component.
   Built by the host, given to qx_create_component / tarnext_create_peer; valid
   until the component is destroyed. Text members follow the text-return
   convention; lookups of an unknown key answer QX_ERR_CANNOT_MATCH_KEY. */
typedef struct QXContext {
  void* owner; /* opaque; pass back as the first argument */
  /* Returns the context information document. */
  QXStatus (*getContextInformation)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                    int* errorCode);
  /* Returns the component's parameters document, decrypted. */
  QXStatus (*getParameters)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                            int* errorCode);
  /* Returns the input data model document. */
  QXStatus (*getDataModel)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                           int* errorCode);
  /* Returns the SQL generation document. */
  QXStatus (*getSQLGeneration)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                               int* errorCode);
  /* Returns the password stored under `key`; never traced. */
  QXStatus (*getPassword)(void* owner, const char* key, char* buffer, size_t bufferSize,
                          size_t* needed, int* errorCode);
  /* Returns the file path stored under `key`; never traced. */
  QXStatus (*getFilePath)(void* owner, const char* key, char* buffer, size_t bufferSize,
                          size_t* needed, int* errorCode);
  /* Returns the output data model document. */
  QXStatus (*getOutputDataModel)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                 int* errorCode);
  /* Returns the PSM merge information document. */
  QXStatus (*getPsmMergeInformation)(void* owner, char* buffer, size_t bufferSize, size_t* needed,
                                     int* errorCode);
  /* Opens a Java virtual machine through the host; QX_ERR_OPEN_JVM on refusal. */
  QXStatus (*openJVM)(void* owner, void** jvm, const char* text, int* errorCode);
  /* Closes a virtual machine from openJVM; QX_ERR_CLOSE_JVM on refusal. */
  QXStatus (*closeJVM)(void* owner, void* jvm, int* errorCode);
  /* Expands `path` through the host; QX_ERR_EXPAND_FILE_PATH on refusal. */
  QXStatus (*expandFilePath)(void* owner, const char* path, char* buffer, size_t bufferSize,
                             size_t* needed, int* errorCode);
  /* Expands `path` with host-defined `flags`; QX_ERR_EXPAND_FILE_PATH on refusal. */
  QXStatus (*expandFilePathExt)(void* owner, const char* path, unsigned int flags, char* buffer,
                                size_t bufferSize, size_t* needed, int* errorCode);
} QXContext;

/* QXIterator - the input records of an execution.
   Built by the host, given to qx_component_beginExecution; valid until
   qx_component_endExecution returns. */
typedef struct QXIterator {
  void* owner; /* opaque; pass back as the first argument */
  /* Advances to the next input record; QX_ERR_NO_DATA after the last one. */
  QXStatus (*nextRecord)(void* owner, int* errorCode);
  /* Points *value at field `index` of the current record (*length bytes; null for
     a null value). The bytes stay the host's until the next nextRecord. */
  QXStatus (*getRecordValue)(void* owner, size_t index, void** value, size_t* length,
                             int* errorCode);
  /* Goes back before the first record. */
  QXStatus (*rewind)(void* owner, int* errorCode);
  /* Fetches as many whole records as `capacity` values allow, field by field;
     the value bytes stay the host's until the next fetch. */
  QXStatus (*bulkFetch)(void* owner, size_t capacity, void** values, size_t* lengths,
                        size_t* fieldCount, size_t* recordCount, int* errorCode);
} QXIterator;

/* QXProgress - progress reports with diagnostics.
   Built by the host, given to qx_component_beginExecution; valid until
   qx_component_endExecution returns. May be called from any module thread. */
typedef struct QXProgress {
  void* owner; /* opaque; pass back as the first argument */
  /* Reports a progress document of `length` bytes carrying diagnostics. */
  QXStatus (*report)(void* owner, const char* text, size_t length, int* errorCode);
} QXProgress;

/* QXChannel - messages from the component during an interaction.
   Built by the host, given to qx_component_beginInteraction; valid until
   qx_component_endInteraction returns. */
typedef struct QXChannel {
  void* owner; /* opaque; pass back as the first argument */
  /* Sends a message of `length` bytes to the host. */
  QXStatus (*send)(void* owner, const char* text, size_t length, int* errorCode);
} QXChannel;

/* QXXML - a document or one of its elements.
   Made by QXHost's creation members or by addElement / iterators. A document
   handle owns everything made from it (elements, iterators); the module
   releases document handles only, with dispose. Text members follow the
   text-return convention without the errorCode parameter. */
struct QXXML {
  void* owner; /* opaque; pass back as the first argument */
  /* Releases a document handle and everything made from it. */
  QXStatus (*dispose)(void* owner);
  /* Serialises the whole document as UTF-8 text. */
  QXStatus (*doc2string)(void* owner, char* buffer, size_t bufferSize, size_t* needed);
  /* Returns the element's tag name. */
  QXStatus (*getName)(void* owner, char* buffer, size_t bufferSize, size_t* needed);
  /* Sets *result to 1 when the element carries attribute `name`, else 0. */
  QXStatus (*hasAttribute)(void* owner, const char* name, int* result);
  /* Returns the value of attribute `name` (empty when absent). */
  QXStatus (*getAttribute)(void* owner, const char* name, char* buffer, size_t bufferSize,
                           size_t* needed);
  /* Removes attribute `name` from the element. */
  QXStatus (*removeAttribute)(void* owner, const char* name);
  /* Makes an iterator over the descendant elements named `name`, in document order. */
  QXStatus (*getElementIterator)(void* owner, const char* name, QXXMLIterator** iterator);
  /* Makes an iterator over the element's text children. */
  QXStatus (*getTextIterator)(void* owner, QXXMLIterator** iterator);
  /* Sets attribute `name` to `value`. */
  QXStatus (*addAttribute)(void* owner, const char* name, const char* value);
  /* Appends a child element `name`; *element belongs to the document. */
  QXStatus (*addElement)(void* owner, const char* name, QXXML** element);
  /* Appends a text child. */
  QXStatus (*addText)(void* owner, const char* text);
};

/* QXXMLIterator - a walk over child elements or texts, made by a QXXML
   handle and owned by its document. */
struct QXXMLIterator {
  void* owner; /* opaque; pass back as the first argument */
  /* Sets *result to 1 while items remain, else 0. */
  QXStatus (*hasMoreItems)(void* owner, int* result);
  /* Moves to the next item: a QXXML* for elements, a const char* for texts;
     QX_ERR_NO_DATA when exhausted. */
  QXStatus (*nextItem)(void* owner, void** item);
  /* Removes the item the last nextItem returned from the document. */
  QXStatus (*deleteItem)(void* owner);
  /* Ends the walk; the iterator is released with its document. */
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
   name comes first, the older-generation one after it. Required entries are
   marked [required]; the four interaction entries are all present or none. */

/* "qx_initialise" / "tarnext_initialise" [required]: keep `host` for the module's life. */
typedef QXStatus (*qx_initialise_fn)(QXHost* host, int* errorCode);
/* "qx_cleanup" / "tarnext_cleanup" [required]: release everything the module holds. */
typedef QXStatus (*qx_cleanup_fn)(int* errorCode);
/* "qx_getModuleInformation" / "tarnext_getModuleInformation": the module information document. */
typedef QXStatus (*qx_getModuleInformation_fn)(char* buffer, size_t bufferSize, size_t* needed,
                                               int* errorCode);
/* "qx_create_component" [required, current generation]: makes a component from `context`. */
typedef QXStatus (*qx_create_component_fn)(QXContext* context, const char* text, void** component,
                                           int* errorCode);
/* "qx_destroy_component" / "tarnext_destroy_peer" [required]. */
typedef QXStatus (*qx_destroy_component_fn)(void* component, int* errorCode);
/* "qx_component_configure" / "tarnext_peer_configure" [required]. */
typedef QXStatus (*qx_component_configure_fn)(void* component, int* errorCode);
/* "qx_component_getDataModel" / "tarnext_peer_getDataModel" [required]: output data model. */
typedef QXStatus (*qx_component_getDataModel_fn)(void* component, int number, char* buffer,
                                                 size_t bufferSize, size_t* needed,
                                                 int* errorCode);
/* "qx_component_getExecutionRequirements" / "tarnext_peer_getExecutionRequirements". */
typedef QXStatus (*qx_component_getExecutionRequirements_fn)(void* component, char* buffer,
                                                             size_t bufferSize, size_t* needed,
                                                             int* errorCode);
/* "qx_component_getCatalogueInformation" / "tarnext_peer_getCatalogueInformation". */
typedef QXStatus (*qx_component_getCatalogueInformation_fn)(void* component, const char* text,
                                                            char* buffer, size_t bufferSize,
                                                            size_t* needed, int* errorCode);
/* "qx_component_beginExecution" / "tarnext_peer_beginExecution" [required]. */
typedef QXStatus (*qx_component_beginExecution_fn)(void* component, QXIterator* iterator,
                                                   QXProgress* progress, int* errorCode);
/* "qx_component_endExecution" / "tarnext_peer_endExecution" [required]. */
typedef QXStatus (*qx_component_endExecution_fn)(void* component, int* errorCode);
/* "qx_component_cancelExecution" / "tarnext_peer_cancelExecution": may come from another thread. */
typedef QXStatus (*qx_component_cancelExecution_fn)(void* component, int* errorCode);
/* "qx_component_nextRecord" / "tarnext_peer_nextRecord" [required]: QX_ERR_NO_DATA at the end. */
typedef QXStatus (*qx_component_nextRecord_fn)(void* component, int* errorCode);
/* "qx_component_getRecordValue" / "tarnext_peer_getRecordValue" [required]: value stays the
   module's until the next record. */
typedef QXStatus (*qx_component_getRecordValue_fn)(void* component, size_t index, void** value,
                                                   size_t* length, int* errorCode);
/* "qx_component_bulkFetch" / "tarnext_peer_bulkFetch": whole records into `capacity` slots. */
typedef QXStatus (*qx_component_bulkFetch_fn)(void* component, size_t capacity, void** values,
                                              size_t* lengths, size_t* fieldCount,
                                              size_t* recordCount, int* errorCode);
/* "qx_component_getSQLGeneration" / "tarnext_peer_getSQLGeneration". */
typedef QXStatus (*qx_component_getSQLGeneration_fn)(void* component, char* buffer,
                                                     size_t bufferSize, size_t* needed,
                                                     int* errorCode);
/* "qx_component_getErrorDetail" / "tarnext_peer_getErrorDetail" [required]: text for the
   code carried in by *errorCode. */
typedef QXStatus (*qx_component_getErrorDetail_fn)(void* component, char* buffer,
                                                   size_t bufferSize, size_t* needed,
                                                   int* errorCode);
/* "qx_component_beginInteraction" / "tarnext_peer_beginInteraction" [interaction group]. */
typedef QXStatus (*qx_component_beginInteraction_fn)(void* component, QXChannel* channel,
                                                     int* errorCode);
/* "qx_component_endInteraction" / "tarnext_peer_endInteraction" [interaction group]. */
typedef QXStatus (*qx_component_endInteraction_fn)(void* component, int* errorCode);
/* "qx_component_request" / "tarnext_peer_request" [interaction group]: `length` bytes. */
typedef QXStatus (*qx_component_request_fn)(void* component, const char* data, size_t length,
                                            int* errorCode);
/* "qx_component_getRequestReply" / "tarnext_peer_getRequestReply" [interaction group]. */
typedef QXStatus (*qx_component_getRequestReply_fn)(void* component, char* buffer,
                                                    size_t bufferSize, size_t* needed,
                                                    int* errorCode);
/* "qx_component_getPsmControlInformation" / "tarnext_peer_getPsmControlInformation". */
typedef QXStatus (*qx_component_getPsmControlInformation_fn)(void* component, char* buffer,
                                                             size_t bufferSize, size_t* needed,
                                                             int* errorCode);
/* "qx_component_psmMerge" / "tarnext_peer_psmMerge". */
typedef QXStatus (*qx_component_psmMerge_fn)(void* component, int* errorCode);
/* "tarnext_create_peer" [required, older generation]: makes a component from `context`. */
typedef QXStatus (*tarnext_create_peer_fn)(QXContext* context, int number, const char* text,
                                           void** peer, int* errorCode);
/* "tarnext_peer_call" (older generation): a named call; *results stays the module's. */
typedef QXStatus (*tarnext_peer_call_fn)(void* component, const char* callName, void** arguments,
                                         void*** results, int* errorCode);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* QUEX_QX_H */
