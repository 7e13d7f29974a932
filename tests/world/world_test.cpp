// The simulated world as the demo and the journey test use it: world.py in
// a namespace of its own, every camera reached through the real device link
// with what the cloud hands out, a camera killed and started again on
// request, and nothing left running when the world ends.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "camera_link.h"
#include "child_process.h"
#include "fresh_netns.h"
#include "netns_test.h"
#include "world_check.h"
#include "world_process.h"

namespace {

int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::vector<pid_t> worldPids(const world::WorldEnv& env) {
  std::vector<pid_t> pids;
  for (const char* key : {"WORLD_CLOUD_PID", "WORLD_RENDEZVOUS_PID"}) pids.push_back(std::stoi(env.values.at(key)));
  for (const world::WorldCamera& c : env.cameras) pids.push_back(c.pid);
  return pids;
}

// Waits (bounded) until every process is gone.
bool allGone(const std::vector<pid_t>& pids, int timeoutMs) {
  const int64_t end = nowMs() + timeoutMs;
  for (;;) {
    bool all = true;
    for (pid_t p : pids) all = all && WorldProcess::gone(p);
    if (all) return true;
    if (nowMs() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::vector<std::string> fileLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

class World : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    const std::string ns = testsupport::enterFreshNetworkNamespace();
    ASSERT_TRUE(ns.empty()) << ns;
  }

  void startWorld(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(world_.start(args, &error)) << error;
  }

  WorldProcess world_;
};

TEST_F(World, EveryCameraPlaysAsTheCloudHandsItOut) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--lifetime", "300"}));
  const world::WorldEnv& env = world_.env();
  ASSERT_EQ(env.cameras.size(), 4u);
  EXPECT_EQ(env.fhdWidth, 1920);
  EXPECT_EQ(env.hdHeight, 720);
  EXPECT_EQ(env.values.at("WORLD_OTHER_DEVICES"), "DOOR01") << "the door bell is listed but is no camera";
  int ptz = 0;
  std::vector<int> tones;
  for (const world::WorldCamera& c : env.cameras) {
    ptz += c.ptz;
    for (int t : tones) EXPECT_NE(t, c.toneHz) << c.id << " sounds like another camera";
    tones.push_back(c.toneHz);
  }
  EXPECT_EQ(ptz, 1);

  // What the world asked the cloud, before anyone else: the strict cloud
  // took each request as the client's own.
  const std::vector<std::string> log = fileLines(env.values.at("WORLD_CLOUD_LOG"));
  ASSERT_EQ(std::to_string(log.size()), env.values.at("WORLD_CLOUD_LOG_SKIP"));
  for (const std::string& l : log) {
    EXPECT_NE(l.find("\"status\": 200"), std::string::npos) << l;
    EXPECT_NE(l.find("\"violations\": []"), std::string::npos) << l;
  }

  const world::Expectation expect = world::expectationOf(env);
  for (const world::CameraCheck& c : world::checkWorld(env, expect, 90000)) {
    EXPECT_TRUE(c.passed) << world::describe(c, expect) << "\n" << world_.transcript();
    std::printf("%s\n", world::describe(c, expect).c_str());
    if (c.camera.ptz) {
      EXPECT_TRUE(c.result.ptzAnswered);
    }
  }

  const std::vector<pid_t> pids = worldPids(env);
  ASSERT_TRUE(world_.command("stop"));
  EXPECT_TRUE(world_.waitFor("stopping command", 60000)) << world_.transcript();
  EXPECT_EQ(world_.waitExit(30000), 0) << world_.transcript();
  EXPECT_TRUE(allGone(pids, 10000)) << "a program of the world outlived it";
}

TEST_F(World, KilledCameraComesBackAndPlaysAgain) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--lifetime", "300", "--cameras", "2"}));
  const world::WorldCamera cam = world_.env().cameras[1];
  world::LinkObserver observer;
  const APP_INIT_PARAM param = observer.initParam();
  ASSERT_EQ(APP_init(&param), 0);
  // The library's threads stop before the observer goes, however the test ends.
  struct Uninit {
    ~Uninit() { APP_uninit(); }
  } uninit;
  world::CameraLink link(cam, world::expectationOf(world_.env()), observer);
  auto stepUntil = [&](const std::function<bool()>& done, int timeoutMs) {
    const int64_t end = nowMs() + timeoutMs;
    while (!done() && link.stage() != world::CameraLink::Stage::Failed && nowMs() < end) {
      observer.waitForNews(50);
      link.step(nowMs());
    }
    return done();
  };
  link.start(nowMs());
  ASSERT_TRUE(stepUntil([&] { return link.stage() == world::CameraLink::Stage::Done; }, 60000))
      << link.stageName() << " " << link.result().problem;

  const int64_t killedAt = nowMs();
  ASSERT_TRUE(world_.command("restart " + cam.id));
  ASSERT_TRUE(world_.waitFor("killed " + cam.id, 60000)) << world_.transcript();
  EXPECT_TRUE(WorldProcess::gone(cam.pid));
  std::string started;
  ASSERT_TRUE(world_.waitFor("started " + cam.id + " ", 120000, &started)) << world_.transcript();
  const int64_t startedAt = nowMs();
  std::string error;
  ASSERT_TRUE(world_.rereadEnv(&error)) << error;
  EXPECT_EQ(started, "started " + cam.id + " " + std::to_string(world_.env().cameras[1].pid));
  EXPECT_NE(world_.env().cameras[1].pid, cam.pid);

  // The link is lost, connected again on the client's timer and played through.
  ASSERT_TRUE(stepUntil([&] { return link.result().losses >= 1; }, 60000))
      << link.stageName() << " " << link.result().problem << "\n" << world_.transcript();
  const int64_t lostAt = nowMs();
  ASSERT_TRUE(stepUntil([&] { return link.result().onlines >= 2; }, 60000))
      << link.stageName() << " " << link.result().problem << "\n" << world_.transcript();
  const int64_t onlineAt = nowMs();
  ASSERT_TRUE(stepUntil([&] { return link.stage() == world::CameraLink::Stage::Done; }, 60000))
      << link.stageName() << " " << link.result().problem << "\n" << world_.transcript();
  EXPECT_EQ(link.result().onlines, 2);
  std::printf("killed at 0 s, started again at %.1f s; the link was seen lost at %.1f s, online again at %.1f s, "
              "playing at %.1f s (%d connects in all)\n",
              double(startedAt - killedAt) / 1000.0, double(lostAt - killedAt) / 1000.0,
              double(onlineAt - killedAt) / 1000.0, double(nowMs() - killedAt) / 1000.0, link.result().connects);
  link.disconnect();
}

TEST_F(World, ClientThatVanishedLeavesTheCameraReadyForTheNext) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--lifetime", "300", "--cameras", "1"}));
  const world::WorldCamera cam = world_.env().cameras[0];
  testworld::ChildProcess client;
  std::string error;
  ASSERT_TRUE(client.start(WORLD_CHECK, {world_.dir() + "/world/world.env", "--timeout", "60"}, &error)) << error;
  // Killed while it streams: no close reaches the camera.
  const std::string log = world_.env().values.at("WORLD_CAMERA_1_LOG");
  const int64_t end = nowMs() + 60000;
  auto said = [&](const std::string& text) {
    for (const std::string& l : fileLines(log))
      if (l == text) return true;
    return false;
  };
  while (!said("event video start") && nowMs() < end) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(said("event video start")) << world_.transcript();
  ASSERT_EQ(kill(client.pid(), SIGKILL), 0);
  EXPECT_EQ(client.wait(10000), 128 + SIGKILL);

  const world::Expectation expect = world::expectationOf(world_.env());
  const std::vector<world::CameraCheck> next = world::checkWorld(world_.env(), expect, 90000);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_TRUE(next[0].passed) << world::describe(next[0], expect) << "\n" << world_.transcript();
  std::printf("the next client: %s\n", world::describe(next[0], expect).c_str());
  EXPECT_TRUE(said("listening 2")) << "the camera serves the next link on the same run";
  EXPECT_FALSE(WorldProcess::gone(cam.pid));
}

TEST_F(World, EndsWithItsLifetime) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--lifetime", "10", "--cameras", "1"}));
  const std::vector<pid_t> pids = worldPids(world_.env());
  EXPECT_TRUE(world_.waitFor("stopping lifetime", 30000)) << world_.transcript();
  EXPECT_EQ(world_.waitExit(30000), 0) << world_.transcript();
  EXPECT_TRUE(allGone(pids, 10000));
}

TEST_F(World, EndsWithTheLauncher) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--lifetime", "300", "--cameras", "1"}));
  const std::vector<pid_t> pids = worldPids(world_.env());
  ASSERT_EQ(kill(world_.pid(), SIGKILL), 0);
  EXPECT_EQ(world_.waitExit(10000), 128 + SIGKILL);
  EXPECT_TRUE(allGone(pids, 15000)) << "the programs must not outlive a launcher that was killed";
}

TEST_F(World, AnswersCommandsAndRefusesUnknownOnes) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--lifetime", "300", "--cameras", "1"}));
  const std::string id = world_.env().cameras[0].id;
  ASSERT_TRUE(world_.command("status"));
  std::string line;
  ASSERT_TRUE(world_.waitFor("status camera:" + id, 5000, &line)) << world_.transcript();
  EXPECT_EQ(line, "status camera:" + id + " running " + std::to_string(world_.env().cameras[0].pid));
  for (const std::string bad : {"restart CAM9999", "explode", "kill"}) {
    ASSERT_TRUE(world_.command(bad));
    ASSERT_TRUE(world_.waitFor("error unknown command: " + bad, 60000)) << world_.transcript();
  }
  ASSERT_TRUE(world_.command("start " + id));
  EXPECT_TRUE(world_.waitFor("error " + id + " is running", 60000)) << world_.transcript();
  ASSERT_TRUE(world_.command("kill " + id));
  ASSERT_TRUE(world_.waitFor("killed " + id, 60000));
  ASSERT_TRUE(world_.waitFor("world: camera " + id + " ended", 60000)) << "a killed camera is not noted";
  // Commands come through the control FIFO as well.
  {
    std::ofstream fifo(world_.env().values.at("WORLD_CONTROL"));
    fifo << "start " << id << "\n";
  }
  EXPECT_TRUE(world_.waitFor("started " + id + " ", 60000)) << world_.transcript();
  ASSERT_TRUE(world_.command("stop"));
  EXPECT_EQ(world_.waitExit(30000), 0);
}

}  // namespace
