#include "pulse_environment.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>
#include <string>

#include "test_artifacts.h"

namespace pipelinetest {
namespace {

std::unique_ptr<testsupport::PulseNullSink> sink;

class PulseEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    auto s = std::make_unique<testsupport::PulseNullSink>();
    std::string error;
    const std::string dir = testsupport::artifactsDir("pipeline") + "/pulse-" + std::to_string(getpid());
    if (!s->start(dir, &error)) {
      ADD_FAILURE() << "no private sound server: " << error;
      return;
    }
    s->exportServer();
    sink = std::move(s);
  }
  void TearDown() override { sink.reset(); }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new PulseEnvironment);

}  // namespace

testsupport::PulseNullSink* pulseSink() { return sink.get(); }

}  // namespace pipelinetest
