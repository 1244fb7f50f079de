// The framework's XML vocabulary: element names, attribute names and the
// words used as attribute values, spelt once for the host, the library and
// module writers.
#ifndef QUEX_XML_XMLVOCABULARY_H
#define QUEX_XML_XMLVOCABULARY_H

#include <quex/export.h>

namespace ExtensionCppHelper {

// Element names of the framework's documents.
class QUEX_API XMLElements {
public:
  static const char Parameter[];
  static const char ErrorDetail[];
  static const char Sql[];
  static const char StatusDetail[];
  static const char Diagnostic[];
  static const char Message[];
  static const char HostInformation[];
  static const char Host[];
  static const char PlatformDetail[];
  static const char VersionDetail[];
  static const char LibraryDetail[];
  static const char ConfigurationDetail[];
  static const char ContextInformation[];
  static const char Context[];
  static const char NodeInformation[];
  static const char Node[];
  static const char FileSpace[];
  static const char ModuleInformation[];
  static const char Module[];
  static const char Description[];
  static const char MetadataSettings[];
  static const char PSM[];
  static const char SqlGeneration[];
  static const char Properties[];
  static const char Statement[];
  static const char Bindings[];
  static const char Binding[];
  static const char TableParameters[];
  static const char TableParameter[];
  static const char DataModel[];
  static const char Fields[];
  static const char Field[];
  static const char Values[];
  static const char Value[];
  static const char Range[];
  static const char MissingValues[];
  static const char DisplayLabel[];
  static const char FieldGroups[];
  static const char FieldGroup[];
  static const char Parameters[];
  static const char KeyedValue[];
  static const char StructuredValue[];
  static const char ListValue[];
  static const char DatabaseConnectionValue[];
  static const char ExecutionRequirements[];
  static const char Cache[];
  static const char Sort[];
  static const char SynchronizedRowProcessing[];
  static const char RequiredInputFields[];
  static const char RequiredInputField[];
  static const char UpdatedOutputFields[];
  static const char UpdatedOutputField[];
  static const char LimitInput[];
  static const char PsmControlInformation[];
  static const char WorkerConfiguration[];
  static const char PsmMergeInformation[];
  static const char WorkerResults[];
  static const char WorkerResult[];
};

// Attribute names of the framework's documents.
class QUEX_API XMLAttributes {
public:
  static const char Name[];
  static const char Type[];
  static const char Path[];
  static const char Direction[];
  static const char Count[];
  static const char DatasourceName[];
  static const char UserName[];
  static const char Code[];
  static const char Severity[];
  static const char Source[];
  static const char SubCode[];
  static const char Provider[];
  static const char Version[];
  static const char Language[];
  static const char Platform[];
  static const char Copyright[];
  static const char InstallationPath[];
  static const char Locale[];
  static const char ExternalEncoding[];
  static const char Major[];
  static const char Minor[];
  static const char Release[];
  static const char SSLEnabled[];
  static const char ConfigServerName[];
  static const char MaxParallelism[];
  static const char OsMajor[];
  static const char OsMinor[];
  static const char DiscreteValueRepresentation[];
  static const char FieldName[];
  static const char ColumnName[];
  static const char Context[];
  static const char CatalogName[];
  static const char ServerName[];
  static const char DbmsName[];
  static const char DbmsVersion[];
  static const char DatabaseName[];
  static const char PasswordKey[];
  static const char DbmsAttribute[];
  static const char IsEncrypted[];
  static const char ConnectionType[];
  static const char Password[];
  static const char Value[];
  static const char Storage[];
  static const char DisplayLabel[];
  static const char TreatNullAsMissing[];
  static const char TreatWhitespaceAsMissing[];
  static const char MinValue[];
  static const char MaxValue[];
  static const char FlagValue[];
  static const char MaxStringLength[];
  static const char GroupType[];
  static const char CountedValue[];
  static const char Records[];
  static const char BlockSize[];
  static const char BlockSizeThresholds[];
  static const char ComponentId[];
  static const char ParameterFilePath[];
  static const char DirectoryPath[];
};

// Words used as attribute values.
class QUEX_API XMLEntities {
public:
  static const char Unknown[];
  static const char True[];
  static const char False[];
  static const char Fatal[];
  static const char Error[];
  static const char Warning[];
  static const char Information[];
  static const char Set[];
  static const char In[];
  static const char Tarnlocal[];
  static const char Tarnserver[];
  static const char Tarnrun[];
  static const char Tarnrtl[];
  static const char Out[];
  static const char Code[];
  static const char Auto[];
  static const char Range[];
  static const char Discrete[];
  static const char OrderedSet[];
  static const char Flag[];
  static const char Typeless[];
  static const char Integer[];
  static const char Real[];
  static const char String[];
  static const char Date[];
  static const char Time[];
  static const char Timestamp[];
  static const char Both[];
  static const char None[];
  static const char Partition[];
  static const char DataReader[];
  static const char DataWriter[];
  static const char DataTransformer[];
  static const char ModelApplier[];
  static const char ModelBuilder[];
  static const char DocumentBuilder[];
  static const char Mandatory[];
  static const char Optional[];
};

} // namespace ExtensionCppHelper

#endif // QUEX_XML_XMLVOCABULARY_H
