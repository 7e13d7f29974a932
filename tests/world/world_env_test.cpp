// The env file as world.py writes it (shell-quoted values) read back by the
// C++ side exactly, and a file with something missing refused.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "child_process.h"
#include "world_env.h"

namespace {

class EnvFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/world_env.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // Writes the items with the launcher's own writer (simworld.envfile).
  void writeWithPython(const std::string& itemsPython, const std::string& path) {
    const std::string tools = std::string(WORLD_SCRIPT).substr(0, std::string(WORLD_SCRIPT).rfind('/'));
    const std::string code = "import sys; sys.path.insert(0, sys.argv[1]); from simworld import envfile; "
                             "envfile.write(sys.argv[2], " + itemsPython + ")";
    testworld::ChildProcess py;
    std::string error;
    setenv("PYTHONDONTWRITEBYTECODE", "1", 1);
    ASSERT_TRUE(py.start(PYTHON3_EXECUTABLE, {"-c", code, tools, path}, &error)) << error;
    ASSERT_EQ(py.wait(30000), 0);
  }

  std::string dir_;
};

const char* const kItems =
    "[('CAMVIEWER_CLOUD_URL', 'https://127.0.0.1:4443/cloud'), ('CAMVIEWER_CLOUD_CA', '/tmp/a b/ca.pem'),"
    " ('WORLD_ACCOUNT', 'demo@example.com'), ('WORLD_PASSWORD', \"it's $HOME `x` \\\\ \\\"q\\\"\"),"
    " ('WORLD_CODEC', 'h265'), ('WORLD_FHD', '1920x1080'), ('WORLD_HD', '1280x720'),"
    " ('WORLD_CAMERAS', 'CAM1 CAM2'),"
    " ('WORLD_CAMERA_1_ID', 'CAM1'), ('WORLD_CAMERA_1_ALIAS', \"O'Brien's yard\"), ('WORLD_CAMERA_1_PTZ', 1),"
    " ('WORLD_CAMERA_1_KEY', 'k1'), ('WORLD_CAMERA_1_SERVERS', '127.0.0.1,127.0.0.2'),"
    " ('WORLD_CAMERA_1_LOCAL_IP', '127.0.0.1'), ('WORLD_CAMERA_1_TONE', 450), ('WORLD_CAMERA_1_PID', 77),"
    " ('WORLD_CAMERA_2_ID', 'CAM2'), ('WORLD_CAMERA_2_ALIAS', ''), ('WORLD_CAMERA_2_PTZ', 0),"
    " ('WORLD_CAMERA_2_KEY', 'k=2;x'), ('WORLD_CAMERA_2_SERVERS', ''), ('WORLD_CAMERA_2_LOCAL_IP', ''),"
    " ('WORLD_CAMERA_2_TONE', 670), ('WORLD_CAMERA_2_PID', 78)]";

TEST_F(EnvFile, ReadsBackWhatTheLauncherWrote) {
  const std::string path = dir_ + "/world.env";
  ASSERT_NO_FATAL_FAILURE(writeWithPython(kItems, path));
  world::WorldEnv env;
  std::string error;
  ASSERT_TRUE(world::readWorldEnv(path, &env, &error)) << error;
  EXPECT_EQ(env.cloudUrl, "https://127.0.0.1:4443/cloud");
  EXPECT_EQ(env.caFile, "/tmp/a b/ca.pem");
  EXPECT_EQ(env.password, "it's $HOME `x` \\ \"q\"");
  EXPECT_EQ(env.codec, "h265");
  EXPECT_EQ(env.fhdWidth, 1920);
  EXPECT_EQ(env.hdHeight, 720);
  ASSERT_EQ(env.cameras.size(), 2u);
  EXPECT_EQ(env.cameras[0].alias, "O'Brien's yard");
  EXPECT_TRUE(env.cameras[0].ptz);
  EXPECT_EQ(env.cameras[0].servers, "127.0.0.1,127.0.0.2");
  EXPECT_EQ(env.cameras[0].toneHz, 450);
  EXPECT_EQ(env.cameras[0].pid, 77);
  EXPECT_EQ(env.cameras[1].alias, "");
  EXPECT_FALSE(env.cameras[1].ptz);
  EXPECT_EQ(env.cameras[1].key, "k=2;x");

  // The shell reads the same values.
  const std::string out = dir_ + "/sourced";
  ASSERT_EQ(std::system(("bash -c 'set -a; . \"" + path + "\"; printf %s \"$WORLD_PASSWORD|$WORLD_CAMERA_1_ALIAS\"' > '" +
                         out + "'").c_str()),
            0);
  std::ifstream in(out);
  std::string sourced;
  std::getline(in, sourced);
  EXPECT_EQ(sourced, env.password + "|" + env.cameras[0].alias);
}

TEST_F(EnvFile, MissingOrInconsistentFilesAreRefused) {
  const std::string path = dir_ + "/world.env";
  world::WorldEnv env;
  std::string error;
  EXPECT_FALSE(world::readWorldEnv(dir_ + "/none.env", &env, &error));
  const std::string all = kItems;
  // Without the CA file; with a camera list that differs from the entries.
  for (const std::string& items :
       {"[i for i in " + all + " if i[0] != 'CAMVIEWER_CLOUD_CA']",
        "[(k, 'CAM1 CAM3' if k == 'WORLD_CAMERAS' else v) for k, v in " + all + "]"}) {
    ASSERT_NO_FATAL_FAILURE(writeWithPython(items, path));
    error.clear();
    EXPECT_FALSE(world::readWorldEnv(path, &env, &error)) << items;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
