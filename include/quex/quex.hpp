// quex.hpp - everything a host application needs from libquex.
#ifndef QUEX_QUEX_HPP
#define QUEX_QUEX_HPP

#include <quex/qx.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/remote/RemoteException.h>
#include <quex/xml/QXXMLFactory.h>
#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>
#include <quex/xml/XMLVocabulary.h>
#include <quex/cpphelper/ExtensionCppHelper.h>

#endif // QUEX_QUEX_HPP
