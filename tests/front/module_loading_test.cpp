// Opening module libraries, generation detection, entry-point rules and the
// wrapper's ownership of its library and of the trace output.
#include "front_fixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class ModuleLoading : public FrontTest {
protected:
  bool load(const std::string& name) {
    return wrapper.load(name.c_str(), modulePath(name).c_str(), nullptr);
  }
};

TEST_F(ModuleLoading, MissingFileGivesTheLoaderMessage_WhichSurvivesALaterLoad) {
  ExtensionWrapper::setTraceLevel(1);
  const std::string path = modulePath("no_such_module");
  EXPECT_FALSE(wrapper.load("nosuch", path.c_str(), nullptr));
  const std::string error = wrapper.getError();
  EXPECT_THAT(error, StartsWith("cannot load library: nosuch path=(" + path + ") error=("));
  EXPECT_THAT(error, HasSubstr("no_such_module.dll: cannot open shared object"));
  EXPECT_THAT(error, EndsWith(")"));
  EXPECT_THAT(*lines, ElementsAre(error, wrapper.getLoadDiagnosis()));
  ASSERT_TRUE(load("current_minimal"));
  EXPECT_EQ(wrapper.getError(), error);
  EXPECT_EQ(wrapper.getLoadDiagnosis(), "");
}

// A failed load keeps its fixed error text and explains itself in the
// diagnosis, which level 1 traces after the library line.
TEST_F(ModuleLoading, EveryLoadFailureNamesWhatWasLookedForAndWhatWasFound) {
  const std::string dir = QUEX_TEST_MODULE_DIR;
  const struct {
    const char* module; // under the test module folder, without ".dll"
    bool opens;         // the library opens; an entry point is what is wrong
    std::vector<std::string> says;
  } cases[] = {
      {"no_such_module", false, {"looked for no_such_module.dll in " + dir + ": no such file"}},
      {"broken/prefixed", false,
       {"looked for prefixed.dll in " + dir + "/broken; found libprefixed.so: modules are "
        "named NAME.dll"}},
      {"broken/libprefixed.so", false, {"found libprefixed.so: modules are named NAME.dll"}},
      {"not_a_library", false, {dir + "/not_a_library.dll exists but the system could not "}},
      {"broken/missing_entries", true,
       {dir + "/broken/missing_entries.dll is not a complete current-generation module: it "
              "lacks qx_component_configure, qx_cleanup"}},
      {"broken/near_miss", true,
       {"it lacks qx_initialise (found qx_initialize, a misspelling), qx_component_getDataModel "
        "(found qx_component_getdatamodel, a misspelling)"}},
      {"broken/mixed_generations", true,
       {"not a complete older-generation module: it lacks tarnext_peer_configure (found "
        "qx_component_configure, its current-generation name), tarnext_peer_getDataModel",
        "tarnext_peer_getErrorDetail (found qx_component_getErrorDetail, its current-generation "
        "name)"}},
      {"broken/cxx_linkage", true,
       {"it lacks qx_initialise (found _Z13qx_initialiseP6QXHostPi, with C++ linkage: declare "
        "it with QX_MODULE_EXPORT)"}},
      {"interaction_begin_only", true,
       {"interaction_begin_only.dll exports qx_component_beginInteraction but not "
        "qx_component_endInteraction, qx_component_request, qx_component_getRequestReply: the "
        "four interaction entries are exported together or not at all"}},
  };
  ExtensionWrapper::setTraceLevel(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.module);
    lines->clear();
    ExtensionWrapper fresh;
    ASSERT_FALSE(fresh.load("m", (dir + "/" + c.module).c_str(), nullptr));
    const std::string diagnosis = fresh.getLoadDiagnosis();
    for (const std::string& part : c.says) EXPECT_THAT(diagnosis, HasSubstr(part));
    EXPECT_EQ(diagnosis.find('\n'), std::string::npos) << "one line";
    if (c.opens) {
      EXPECT_EQ(fresh.getError(), ""); // the library opened: the error text stays as it was
      EXPECT_THAT(*lines, ElementsAre("loaded library: (m)", diagnosis));
    } else {
      EXPECT_THAT(fresh.getError(), StartsWith("cannot load library: m path=("));
      EXPECT_THAT(*lines, ElementsAre(fresh.getError(), diagnosis));
    }
  }
}

TEST_F(ModuleLoading, LibraryExportingBothGenerationsIsDrivenByItsOlderNames) {
  // older_full's qx_initialise and qx_create_component abort if ever called.
  start("older_full");
  EXPECT_TRUE(wrapper.isOlderGeneration());
  EXPECT_EQ(component, &script);
  EXPECT_EQ(script.createNumber, 7);
  EXPECT_EQ(script.createText, "text");
  void* none = nullptr;
  EXPECT_EQ(wrapper.qx_create_component(nullptr, "", &none, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(script.calls[kInitialise], 1);
}

TEST_F(ModuleLoading, ModuleWithoutOptionalEntriesAnswersThemWithInvalidOperation) {
  start("current_minimal");
  EXPECT_FALSE(wrapper.useBulkFetch());
  EXPECT_FALSE(wrapper.supportsInteraction());
  EXPECT_EQ(wrapper.getModuleInformation(), "");
  errorCode = 99;
  EXPECT_EQ(wrapper.qx_component_cancelExecution(component, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(errorCode, 0);
  EXPECT_EQ(wrapper.qx_component_beginInteraction(component, nullptr, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(wrapper.qx_component_psmMerge(component, &errorCode), QX_ERR_INVALID_OPERATION);
  char buffer[8];
  size_t needed = 0;
  EXPECT_EQ(wrapper.qx_getModuleInformation(buffer, sizeof buffer, &needed, &errorCode),
            QX_ERR_INVALID_OPERATION);
  // Without the entry only the enter line is written.
  ExtensionWrapper::setTraceLevel(2);
  EXPECT_EQ(wrapper.qx_component_cancelExecution(component, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_THAT(*lines, ElementsAre(enterLine("qx_component_cancelExecution", component)));
}

TEST_F(ModuleLoading, InteractionEntriesWithoutBeginAreStoredAndReachable) {
  start("interaction_without_begin");
  EXPECT_FALSE(wrapper.supportsInteraction());
  EXPECT_EQ(wrapper.qx_component_request(component, "hi", 2, &errorCode), QX_OK);
  EXPECT_EQ(wrapper.qx_component_endInteraction(component, &errorCode), QX_OK);
  EXPECT_EQ(script.request, "hi");
  EXPECT_EQ(script.calls[kEndInteraction], 1);
}

TEST_F(ModuleLoading, ChildProcessLoadOpensNothingAndKeepsThePathWithoutExtension) {
  const std::string path = modulePath("current_full");
  EXPECT_TRUE(wrapper.load("m", path.c_str(), "/usr/bin/quex-child"));
  EXPECT_EQ(wrapper.getDllPath(), path);
  EXPECT_EQ(wrapper.qx_create_component(nullptr, "", &component, &errorCode),
            QX_ERR_INVALID_OPERATION);
  EXPECT_EQ(wrapper.qx_component_psmMerge(nullptr, &errorCode), QX_ERR_INVALID_OPERATION);
}

TEST_F(ModuleLoading, CallsAfterUnloadAnswerInvalidOperation) {
  start("current_full");
  wrapper.unload();
  EXPECT_EQ(wrapper.qx_component_configure(component, &errorCode), QX_ERR_INVALID_OPERATION);
}

TEST_F(ModuleLoading, CopyKeepsTheLibraryOpenAfterTheOriginalIsGone) {
  auto original = std::make_unique<ExtensionWrapper>();
  ASSERT_TRUE(original->load("c_module", modulePath("c_module").c_str(), nullptr));
  ExtensionWrapper copy(*original);
  original.reset();
  ASSERT_EQ(copy.qx_initialise(&host, &errorCode), QX_OK);
  EXPECT_EQ(copy.getModuleInformation(), "<ModuleInformation name=\"c_module\"/>");
}

TEST(TraceOutputOwnership, LastLiveWrapperDeletesTheOutputAndClearsTheSetting) {
  auto lines = std::make_shared<std::vector<std::string>>();
  auto deleted = std::make_shared<bool>(false);
  auto first = std::make_unique<ExtensionWrapper>();
  ExtensionWrapper::setTraceOutput(new RecordingTraceOutput(lines, deleted));
  auto second = std::make_unique<ExtensionWrapper>(*first);
  first.reset();
  EXPECT_FALSE(*deleted);
  EXPECT_NE(ExtensionWrapper::getTraceOutput(), nullptr);
  second.reset();
  EXPECT_TRUE(*deleted);
  EXPECT_EQ(ExtensionWrapper::getTraceOutput(), nullptr);
}
