// The host side of the child-process tests: what the process holds, and the
// set-up and checks around every test.
#include "child_fixture.h"

#include <chrono>
#include <thread>

namespace child_test {

Holdings Holdings::now() {
  Holdings holdings;
  holdings.sharedObjects = remote_test::ownSharedObjects();
  const std::string self = std::to_string(quex::platform::currentProcessId());
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...: the command may hold spaces, the rest does not.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 1));
    std::string state, parent;
    rest >> state >> parent;
    if (parent == self) holdings.children.push_back(std::stol(pid));
  }
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++holdings.descriptors;
  holdings.threads = remote_test::threadCount();
  return holdings;
}

std::string modulePath(const std::string& name) {
  return std::string(QUEX_TEST_MODULE_DIR) + "/" + name;
}

void HostedModule::SetUp() {
  // A thread sanitizer starts a thread of its own with the first thread of the
  // process: one thread made and joined first keeps it out of the count.
  static const bool warmedUp = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)warmedUp;
  for (const std::string& name : remote_test::ownSharedObjects())
    std::filesystem::remove("/dev/shm/" + name); // left by an earlier process with our id
  before_ = Holdings::now();
  output_ = std::make_unique<LineRecorder>(lines);
  ExtensionWrapper::setTraceOutput(output_.get());
  ExtensionWrapper::setTraceLevel(0);
  extension.setContextSupport(&support);
  host->setHostInformationXML("<HostInformation><Host name='test'/></HostInformation>");
  context.setParameterXML("<Parameters key='*****'/>");
  context.setDecryptedParameterXML("<Parameters key='plain'/>");
  context.setDataModelXML("<DataModel/>");
  context.addPassword("db", "pw-secret");
  context.addFilePath("input", "/srv/input.csv");
  progress.setProgressListener(&listener);
}

void HostedModule::TearDown() {
  ExtensionWrapper::setTraceLevel(0);
  if (ExtensionWrapper::getTraceOutput() == output_.get())
    ExtensionWrapper::setTraceOutput(nullptr);
  else
    (void)output_.release(); // the last ExtensionWrapper deleted it
  // Children are reaped and threads joined by the time their owners return;
  // the kernel may take a moment to show it.
  Holdings after = Holdings::now();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((after.threads > before_.threads || !after.children.empty()) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    after = Holdings::now();
  }
  EXPECT_EQ(after.sharedObjects, std::vector<std::string>{});
  EXPECT_EQ(after.children, std::vector<long>{});
  EXPECT_EQ(after.descriptors, before_.descriptors);
  // The baseline may still count a thread of the previous test on its way out.
  EXPECT_LE(after.threads, before_.threads);
}

void HostedModule::load(const std::string& name, const char* childProgram) {
  inChild = childProgram != nullptr;
  ASSERT_TRUE(extension.load(name.c_str(), modulePath(name).c_str(), childProgram))
      << extension.getError();
}

QXStatus HostedModule::initialise() {
  int errorCode = -1;
  return extension.qx_initialise(QXHostFactory::create(host.get()), &errorCode);
}

QXStatus HostedModule::create(const std::string& text, void** component) {
  int errorCode = -1;
  QXContext* table = QXContextFactory::create(&context);
  if (extension.isOlderGeneration())
    return extension.tarnext_create_peer(table, 0, text.c_str(), component, &errorCode);
  const QXStatus status = extension.qx_create_component(table, text.c_str(), component, &errorCode);
  // A child program that does not tell the module's generation leaves only
  // tarnext_create_peer.
  if (status == QX_ERR_INVALID_OPERATION && inChild)
    return extension.tarnext_create_peer(table, 0, text.c_str(), component, &errorCode);
  return status;
}

} // namespace child_test
