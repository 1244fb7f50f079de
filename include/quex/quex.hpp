// quex.hpp - everything a host application needs from libquex.
#ifndef QUEX_QUEX_HPP
#define QUEX_QUEX_HPP

#include <quex/qx.h>
#include <quex/front/ExtensionWrapper.h>
#include <quex/front/QuexInstallation.h>
#include <quex/remote/RemoteException.h>
#include <quex/services/DiagnosticHandler.h>
#include <quex/services/QXContextFactory.h>
#include <quex/services/QXContextWrapper.h>
#include <quex/services/QXDiagnostic.h>
#include <quex/services/QXHostFactory.h>
#include <quex/services/QXHostWrapper.h>
#include <quex/services/QXIteratorFactory.h>
#include <quex/services/QXIteratorWrapper.h>
#include <quex/services/QXProgressFactory.h>
#include <quex/services/QXProgressListener.h>
#include <quex/services/QXProgressWrapper.h>
#include <quex/services/QxChannelFactory.h>
#include <quex/services/QxChannelWrapper.h>
#include <quex/xml/QXXMLFactory.h>
#include <quex/xml/QXXMLIteratorWrapper.h>
#include <quex/xml/QXXMLWrapper.h>
#include <quex/xml/XMLVocabulary.h>
#include <quex/cpphelper/ExtensionCppHelper.h>

#endif // QUEX_QUEX_HPP
