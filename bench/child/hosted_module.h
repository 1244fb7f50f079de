// A benchmark module loaded once in process or in a child, initialised with
// the host table the benchmark hands it, and its components made the way
// each mode makes them.
#ifndef QUEX_BENCH_CHILD_HOSTED_MODULE_H
#define QUEX_BENCH_CHILD_HOSTED_MODULE_H

#include <quex/quex.hpp>

#include <stdexcept>
#include <string>

class HostedModule {
public:
  HostedModule(const char* name, const char* path, const char* childProgram, QXHost* host)
      : inChild_(childProgram != nullptr) {
    if (!wrapper_.load(name, path, childProgram))
      throw std::runtime_error(std::string("cannot load ") + name + ": " + wrapper_.getError());
    int errorCode = 0;
    if (wrapper_.qx_initialise(host, &errorCode) != QX_OK)
      throw std::runtime_error(std::string(name) + " does not start");
  }
  ~HostedModule() {
    int errorCode = 0;
    wrapper_.qx_cleanup(&errorCode);
  }
  HostedModule(const HostedModule&) = delete;
  HostedModule& operator=(const HostedModule&) = delete;

  void* create(const char* text) {
    void* component = nullptr;
    int errorCode = 0;
    const QXStatus status =
        inChild_ ? wrapper_.tarnext_create_peer(nullptr, 0, text, &component, &errorCode)
                 : wrapper_.qx_create_component(nullptr, text, &component, &errorCode);
    if (status != QX_OK) throw std::runtime_error("no component");
    return component;
  }
  void destroy(void* component) {
    int errorCode = 0;
    wrapper_.qx_destroy_component(component, &errorCode);
  }
  ExtensionWrapper& wrapper() { return wrapper_; }

private:
  bool inChild_;
  ExtensionWrapper wrapper_;
};

#endif
