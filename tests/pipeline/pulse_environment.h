// A private PulseAudio null sink for a whole test program (started before
// the first test, ended after the last): sessions in the program get a real
// sound output through PULSE_SERVER.
#pragma once

#include "pulse_null_sink.h"

namespace pipelinetest {

// The program's sound server (null before the environment is set up or
// when it failed to start; the tests that need sound then fail).
testsupport::PulseNullSink* pulseSink();

}  // namespace pipelinetest
