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

#define C(member) QUEX_CONSTANT(XMLElements, member)
const Constant kXMLElements[] = {
    C(Parameter), C(ErrorDetail), C(Sql), C(StatusDetail), C(Diagnostic), C(Message),
    C(HostInformation), C(Host), C(PlatformDetail), C(VersionDetail), C(LibraryDetail),
    C(ConfigurationDetail), C(ContextInformation), C(Context), C(NodeInformation), C(Node),
    C(FileSpace), C(ModuleInformation), C(Module), C(Description), C(MetadataSettings), C(PSM),
    C(SqlGeneration), C(Properties), C(Statement), C(Bindings), C(Binding), C(TableParameters),
    C(TableParameter), C(DataModel), C(Fields), C(Field), C(Values), C(Value), C(Range),
    C(MissingValues), C(DisplayLabel), C(FieldGroups), C(FieldGroup), C(Parameters), C(KeyedValue),
    C(StructuredValue), C(ListValue), C(DatabaseConnectionValue), C(ExecutionRequirements),
    C(Cache), C(Sort), C(SynchronizedRowProcessing), C(RequiredInputFields), C(RequiredInputField),
    C(UpdatedOutputFields), C(UpdatedOutputField), C(LimitInput), C(PsmControlInformation),
    C(WorkerConfiguration), C(PsmMergeInformation), C(WorkerResults), C(WorkerResult),
};
#undef C

#define C(member) QUEX_CONSTANT(XMLAttributes, member)
const Constant kXMLAttributes[] = {
    C(Name), C(Type), C(Path), C(Direction), C(Count), C(DatasourceName), C(UserName), C(Code),
    C(Severity), C(Source), C(SubCode), C(Provider), C(Version), C(Language), C(Platform),
    C(Copyright), C(InstallationPath), C(Locale), C(ExternalEncoding), C(Major), C(Minor),
    C(Release), C(SSLEnabled), C(ConfigServerName), C(MaxParallelism), C(OsMajor), C(OsMinor),
    C(DiscreteValueRepresentation), C(FieldName), C(ColumnName), C(Context), C(CatalogName),
    C(ServerName), C(DbmsName), C(DbmsVersion), C(DatabaseName), C(PasswordKey), C(DbmsAttribute),
    C(IsEncrypted), C(ConnectionType), C(Password), C(Value), C(Storage), C(DisplayLabel),
    C(TreatNullAsMissing), C(TreatWhitespaceAsMissing), C(MinValue), C(MaxValue), C(FlagValue),
    C(MaxStringLength), C(GroupType), C(CountedValue), C(Records), C(BlockSize),
    C(BlockSizeThresholds), C(ComponentId), C(ParameterFilePath), C(DirectoryPath),
};
#undef C

#define C(member) QUEX_CONSTANT(XMLEntities, member)
const Constant kXMLEntities[] = {
    C(Unknown), C(True), C(False), C(Fatal), C(Error), C(Warning), C(Information), C(Set), C(In),
    C(Tarnlocal), C(Tarnserver), C(Tarnrun), C(Tarnrtl), C(Out), C(Code), C(Auto), C(Range),
    C(Discrete), C(OrderedSet), C(Flag), C(Typeless), C(Integer), C(Real), C(String), C(Date),
    C(Time), C(Timestamp), C(Both), C(None), C(Partition), C(DataReader), C(DataWriter),
    C(DataTransformer), C(ModelApplier), C(ModelBuilder), C(DocumentBuilder), C(Mandatory),
    C(Optional),
};
#undef C

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
