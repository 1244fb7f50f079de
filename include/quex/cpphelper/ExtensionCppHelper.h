// The module writer's classes over the XML and host tables, in one include.
#ifndef QUEX_CPPHELPER_EXTENSIONCPPHELPER_H
#define QUEX_CPPHELPER_EXTENSIONCPPHELPER_H

#include <quex/cpphelper/AccessCount.h>
#include <quex/cpphelper/BufferHelper.h>
#include <quex/cpphelper/HostHelper.h>
#include <quex/cpphelper/XMLDocument.h>
#include <quex/cpphelper/XMLElement.h>
#include <quex/cpphelper/XMLElementIterator.h>
#include <quex/cpphelper/XMLException.h>
#include <quex/cpphelper/XMLTextIterator.h>
#include <quex/xml/XMLVocabulary.h>

#endif // QUEX_CPPHELPER_EXTENSIONCPPHELPER_H
