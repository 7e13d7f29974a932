// The cloud protocol object (CloudClient) on replies whose HTTP status,
// transport error, body and lateness the input chooses (scripted_cloud.h),
// with sign-ins, token timers, sign-outs and snapshot-thread replies in
// between; Qt's timers run on a virtual clock, so back-off and token timers
// fire without waiting. Every reply goes through the client's own reply
// slots (and the snapshot thread's handler); client_run.h lists what is
// checked around each. And no spin: everything due at one moment settles,
// and once the cloud stops answering the client sends only a few requests
// more in two hours, after which nothing of the run is left, timers included.
//
// Input: operations of one byte each, at most kMaxOperations; each request,
// when it is made, takes its answer from the bytes that follow.
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "client_run.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"
#include "http_command/request_context.h"
#include "virtual_time_dispatcher.h"

namespace {

constexpr int kMaxOperations = 48;
constexpr int kSettleRounds = 400;
constexpr qint64 kIdleHorizonMs = 2 * 3600 * 1000;  // the quiet end of a run
constexpr int kIdleAdvances = 2000;
constexpr int kRequestsWhenQuiet = 8;

VirtualTimeDispatcher& dispatcher() {
  static VirtualTimeDispatcher* d = [] {
    auto* made = new VirtualTimeDispatcher;  // owned by the application from here on
    QCoreApplication::setEventDispatcher(made);
    static int argc = 1;
    static char name[] = "cloud_client_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // The agent token lives in the data folder: a scratch one, in memory where possible.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir data(base + QStringLiteral("/camviewer-fuzz-XXXXXX"));
    FUZZ_CHECK(data.isValid());
    qputenv("CAMVIEWER_DATA_DIR", data.path().toLocal8Bit());
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
    return made;
  }();
  return *d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VirtualTimeDispatcher& clock = dispatcher();
  fuzzsupport::FuzzBytes in(data, size);
  {
    fuzzcloud::ClientRun run(QStringLiteral("https://cloud.test"), in);
    run.startSignin();
    for (int op = 0; op < kMaxOperations && !in.empty(); ++op) {
      switch (in.byte() % 8) {
        case 0:
        case 1:
          FUZZ_CHECK(clock.settle(kSettleRounds));
          break;
        case 2:  // the next timer: a resend, a late reply, a token timer
          if (clock.advanceToNextTimer(clock.now() + kIdleHorizonMs)) FUZZ_CHECK(clock.settle(kSettleRounds));
          break;
        case 3:
          run.startSignin();
          break;
        case 4:
          run.abandonSignin();
          break;
        case 5:  // the first refresh after a sign-in, or a token timer
          run.client().requestRefresh();
          break;
        case 6:
          run.client().signOut();
          break;
        default:
          run.snapshotRequest();
          break;
      }
    }
    // The cloud stops answering: two quiet hours bring only a few requests more.
    run.stopAnswering();
    FUZZ_CHECK(clock.settle(kSettleRounds));
    const int requestsBefore = run.requests();
    const qint64 end = clock.now() + kIdleHorizonMs;
    int advances = 0;
    for (; advances < kIdleAdvances && clock.advanceToNextTimer(end); ++advances) {
      FUZZ_CHECK(clock.settle(kSettleRounds));
    }
    FUZZ_CHECK(advances < kIdleAdvances);
    FUZZ_CHECK(run.requests() - requestsBefore <= kRequestsWhenQuiet);
  }
  // Everything the run made is gone, its timers with it.
  FUZZ_CHECK(clock.settle(kSettleRounds));
  FUZZ_CHECK(clock.socketNotifiers() == 0 && clock.timerCount() == 0);
  return 0;
}
