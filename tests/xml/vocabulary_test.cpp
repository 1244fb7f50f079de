// The vocabulary constants: every one reachable by name from outside the
// library, and every text following the naming rule but the two exceptions.
#include <quex/xml/XMLVocabulary.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <iterator>
#include <set>
#include <string>

namespace {

struct Constant {
  const char* member;
  const char* text;
};

#define QUEX_CONSTANT(cls, member) Constant{#member, ExtensionCppHelper::cls::member}

const Constant kXMLElements[] = {
    QUEX_CONSTANT(XMLElements, Parameter),
    QUEX_CONSTANT(XMLElements, ErrorDetail),
    QUEX_CONSTANT(XMLElements, Sql),
    QUEX_CONSTANT(XMLElements, StatusDetail),
    QUEX_CONSTANT(XMLElements, Diagnostic),
    QUEX_CONSTANT(XMLElements, Message),
    QUEX_CONSTANT(XMLElements, HostInformation),
    QUEX_CONSTANT(XMLElements, Host),
    QUEX_CONSTANT(XMLElements, PlatformDetail),
    QUEX_CONSTANT(XMLElements, VersionDetail),
    QUEX_CONSTANT(XMLElements, LibraryDetail),
    QUEX_CONSTANT(XMLElements, ConfigurationDetail),
    QUEX_CONSTANT(XMLElements, ContextInformation),
    QUEX_CONSTANT(XMLElements, Context),
    QUEX_CONSTANT(XMLElements, NodeInformation),
    QUEX_CONSTANT(XMLElements, Node),
    QUEX_CONSTANT(XMLElements, FileSpace),
    QUEX_CONSTANT(XMLElements, ModuleInformation),
    QUEX_CONSTANT(XMLElements, Module),
    QUEX_CONSTANT(XMLElements, Description),
    QUEX_CONSTANT(XMLElements, MetadataSettings),
    QUEX_CONSTANT(XMLElements, PSM),
    QUEX_CONSTANT(XMLElements, SqlGeneration),
    QUEX_CONSTANT(XMLElements, Properties),
    QUEX_CONSTANT(XMLElements, Statement),
    QUEX_CONSTANT(XMLElements, Bindings),
    QUEX_CONSTANT(XMLElements, Binding),
    QUEX_CONSTANT(XMLElements, TableParameters),
    QUEX_CONSTANT(XMLElements, TableParameter),
    QUEX_CONSTANT(XMLElements, DataModel),
    QUEX_CONSTANT(XMLElements, Fields),
    QUEX_CONSTANT(XMLElements, Field),
    QUEX_CONSTANT(XMLElements, Values),
    QUEX_CONSTANT(XMLElements, Value),
    QUEX_CONSTANT(XMLElements, Range),
    QUEX_CONSTANT(XMLElements, MissingValues),
    QUEX_CONSTANT(XMLElements, DisplayLabel),
    QUEX_CONSTANT(XMLElements, FieldGroups),
    QUEX_CONSTANT(XMLElements, FieldGroup),
    QUEX_CONSTANT(XMLElements, Parameters),
    QUEX_CONSTANT(XMLElements, KeyedValue),
    QUEX_CONSTANT(XMLElements, StructuredValue),
    QUEX_CONSTANT(XMLElements, ListValue),
    QUEX_CONSTANT(XMLElements, DatabaseConnectionValue),
    QUEX_CONSTANT(XMLElements, ExecutionRequirements),
    QUEX_CONSTANT(XMLElements, Cache),
    QUEX_CONSTANT(XMLElements, Sort),
    QUEX_CONSTANT(XMLElements, SynchronizedRowProcessing),
    QUEX_CONSTANT(XMLElements, RequiredInputFields),
    QUEX_CONSTANT(XMLElements, RequiredInputField),
    QUEX_CONSTANT(XMLElements, UpdatedOutputFields),
    QUEX_CONSTANT(XMLElements, UpdatedOutputField),
    QUEX_CONSTANT(XMLElements, LimitInput),
    QUEX_CONSTANT(XMLElements, PsmControlInformation),
    QUEX_CONSTANT(XMLElements, WorkerConfiguration),
    QUEX_CONSTANT(XMLElements, PsmMergeInformation),
    QUEX_CONSTANT(XMLElements, WorkerResults),
    QUEX_CONSTANT(XMLElements, WorkerResult),
};
const Constant kXMLAttributes[] = {
    QUEX_CONSTANT(XMLAttributes, Name),
    QUEX_CONSTANT(XMLAttributes, Type),
    QUEX_CONSTANT(XMLAttributes, Path),
    QUEX_CONSTANT(XMLAttributes, Direction),
    QUEX_CONSTANT(XMLAttributes, Count),
    QUEX_CONSTANT(XMLAttributes, DatasourceName),
    QUEX_CONSTANT(XMLAttributes, UserName),
    QUEX_CONSTANT(XMLAttributes, Code),
    QUEX_CONSTANT(XMLAttributes, Severity),
    QUEX_CONSTANT(XMLAttributes, Source),
    QUEX_CONSTANT(XMLAttributes, SubCode),
    QUEX_CONSTANT(XMLAttributes, Provider),
    QUEX_CONSTANT(XMLAttributes, Version),
    QUEX_CONSTANT(XMLAttributes, Language),
    QUEX_CONSTANT(XMLAttributes, Platform),
    QUEX_CONSTANT(XMLAttributes, Copyright),
    QUEX_CONSTANT(XMLAttributes, InstallationPath),
    QUEX_CONSTANT(XMLAttributes, Locale),
    QUEX_CONSTANT(XMLAttributes, ExternalEncoding),
    QUEX_CONSTANT(XMLAttributes, Major),
    QUEX_CONSTANT(XMLAttributes, Minor),
    QUEX_CONSTANT(XMLAttributes, Release),
    QUEX_CONSTANT(XMLAttributes, SSLEnabled),
    QUEX_CONSTANT(XMLAttributes, ConfigServerName),
    QUEX_CONSTANT(XMLAttributes, MaxParallelism),
    QUEX_CONSTANT(XMLAttributes, OsMajor),
    QUEX_CONSTANT(XMLAttributes, OsMinor),
    QUEX_CONSTANT(XMLAttributes, DiscreteValueRepresentation),
    QUEX_CONSTANT(XMLAttributes, FieldName),
    QUEX_CONSTANT(XMLAttributes, ColumnName),
    QUEX_CONSTANT(XMLAttributes, Context),
    QUEX_CONSTANT(XMLAttributes, CatalogName),
    QUEX_CONSTANT(XMLAttributes, ServerName),
    QUEX_CONSTANT(XMLAttributes, DbmsName),
    QUEX_CONSTANT(XMLAttributes, DbmsVersion),
    QUEX_CONSTANT(XMLAttributes, DatabaseName),
    QUEX_CONSTANT(XMLAttributes, PasswordKey),
    QUEX_CONSTANT(XMLAttributes, DbmsAttribute),
    QUEX_CONSTANT(XMLAttributes, IsEncrypted),
    QUEX_CONSTANT(XMLAttributes, ConnectionType),
    QUEX_CONSTANT(XMLAttributes, Password),
    QUEX_CONSTANT(XMLAttributes, Value),
    QUEX_CONSTANT(XMLAttributes, Storage),
    QUEX_CONSTANT(XMLAttributes, DisplayLabel),
    QUEX_CONSTANT(XMLAttributes, TreatNullAsMissing),
    QUEX_CONSTANT(XMLAttributes, TreatWhitespaceAsMissing),
    QUEX_CONSTANT(XMLAttributes, MinValue),
    QUEX_CONSTANT(XMLAttributes, MaxValue),
    QUEX_CONSTANT(XMLAttributes, FlagValue),
    QUEX_CONSTANT(XMLAttributes, MaxStringLength),
    QUEX_CONSTANT(XMLAttributes, GroupType),
    QUEX_CONSTANT(XMLAttributes, CountedValue),
    QUEX_CONSTANT(XMLAttributes, Records),
    QUEX_CONSTANT(XMLAttributes, BlockSize),
    QUEX_CONSTANT(XMLAttributes, BlockSizeThresholds),
    QUEX_CONSTANT(XMLAttributes, ComponentId),
    QUEX_CONSTANT(XMLAttributes, ParameterFilePath),
    QUEX_CONSTANT(XMLAttributes, DirectoryPath),
};
const Constant kXMLEntities[] = {
    QUEX_CONSTANT(XMLEntities, Unknown),
    QUEX_CONSTANT(XMLEntities, True),
    QUEX_CONSTANT(XMLEntities, False),
    QUEX_CONSTANT(XMLEntities, Fatal),
    QUEX_CONSTANT(XMLEntities, Error),
    QUEX_CONSTANT(XMLEntities, Warning),
    QUEX_CONSTANT(XMLEntities, Information),
    QUEX_CONSTANT(XMLEntities, Set),
    QUEX_CONSTANT(XMLEntities, In),
    QUEX_CONSTANT(XMLEntities, Tarnlocal),
    QUEX_CONSTANT(XMLEntities, Tarnserver),
    QUEX_CONSTANT(XMLEntities, Tarnrun),
    QUEX_CONSTANT(XMLEntities, Tarnrtl),
    QUEX_CONSTANT(XMLEntities, Out),
    QUEX_CONSTANT(XMLEntities, Code),
    QUEX_CONSTANT(XMLEntities, Auto),
    QUEX_CONSTANT(XMLEntities, Range),
    QUEX_CONSTANT(XMLEntities, Discrete),
    QUEX_CONSTANT(XMLEntities, OrderedSet),
    QUEX_CONSTANT(XMLEntities, Flag),
    QUEX_CONSTANT(XMLEntities, Typeless),
    QUEX_CONSTANT(XMLEntities, Integer),
    QUEX_CONSTANT(XMLEntities, Real),
    QUEX_CONSTANT(XMLEntities, String),
    QUEX_CONSTANT(XMLEntities, Date),
    QUEX_CONSTANT(XMLEntities, Time),
    QUEX_CONSTANT(XMLEntities, Timestamp),
    QUEX_CONSTANT(XMLEntities, Both),
    QUEX_CONSTANT(XMLEntities, None),
    QUEX_CONSTANT(XMLEntities, Partition),
    QUEX_CONSTANT(XMLEntities, DataReader),
    QUEX_CONSTANT(XMLEntities, DataWriter),
    QUEX_CONSTANT(XMLEntities, DataTransformer),
    QUEX_CONSTANT(XMLEntities, ModelApplier),
    QUEX_CONSTANT(XMLEntities, ModelBuilder),
    QUEX_CONSTANT(XMLEntities, DocumentBuilder),
    QUEX_CONSTANT(XMLEntities, Mandatory),
    QUEX_CONSTANT(XMLEntities, Optional),
};

#undef QUEX_CONSTANT

std::string lowerFirst(std::string name) {
  name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
  return name;
}

} // namespace

TEST(Vocabulary, ElementTextsAreTheirMemberNames) {
  EXPECT_EQ(std::size(kXMLElements), 58u);
  for (const Constant& c : kXMLElements) {
    EXPECT_STREQ(c.text, c.member);
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c.text[0]))) << c.member;
  }
}

TEST(Vocabulary, AttributeTextsAreMemberNamesWithALowerFirstLetter_SaveTwoExceptions) {
  EXPECT_EQ(std::size(kXMLAttributes), 58u);
  for (const Constant& c : kXMLAttributes) {
    EXPECT_TRUE(std::islower(static_cast<unsigned char>(c.text[0]))) << c.member;
    if (std::strcmp(c.member, "SSLEnabled") == 0 || std::strcmp(c.member, "ConfigServerName") == 0)
      continue;
    EXPECT_EQ(c.text, lowerFirst(c.member));
  }
  EXPECT_STREQ(ExtensionCppHelper::XMLAttributes::SSLEnabled, "sslEnabled");
  EXPECT_STREQ(ExtensionCppHelper::XMLAttributes::ConfigServerName, "serverName");
  EXPECT_STREQ(ExtensionCppHelper::XMLAttributes::ConfigServerName,
               ExtensionCppHelper::XMLAttributes::ServerName);
}

TEST(Vocabulary, ValueWordsAreMemberNamesWithALowerFirstLetter) {
  EXPECT_EQ(std::size(kXMLEntities), 38u);
  for (const Constant& c : kXMLEntities) EXPECT_EQ(c.text, lowerFirst(c.member));
  EXPECT_STREQ(ExtensionCppHelper::XMLEntities::OrderedSet, "orderedSet");
}

TEST(Vocabulary, SharedMemberNamesAreDistinctConstants) {
  EXPECT_STREQ(ExtensionCppHelper::XMLElements::Value, "Value");
  EXPECT_STREQ(ExtensionCppHelper::XMLAttributes::Value, "value");
  EXPECT_STREQ(ExtensionCppHelper::XMLEntities::Code, "code");
  EXPECT_STREQ(ExtensionCppHelper::XMLAttributes::Code, "code");
  EXPECT_NE(static_cast<const void*>(ExtensionCppHelper::XMLEntities::Code),
            static_cast<const void*>(ExtensionCppHelper::XMLAttributes::Code));
  std::set<std::string> elements;
  for (const Constant& c : kXMLElements) elements.insert(c.text);
  EXPECT_EQ(elements.size(), 58u);
}
