// The list rules without any widget: which device-list entries become
// camera tiles, which cameras a group's stored ids make its members (and in
// which cells), and what a camera in several groups keeps as its group name.
#include <gtest/gtest.h>

#include <QStringList>

#include "device/group_members.h"
#include "device_listing.h"
#include "event/camera_list_build.h"

namespace {

using liststest::deviceListing;
using liststest::Listed;

QStringList ids(const CameraListPlan& plan) {
  QStringList out;
  for (const ListedCamera& c : plan.cameras) out << c.deviceId;
  return out;
}

TEST(CameraListPlan, OnlyConnectedGeneralCamerasInListOrder) {
  const struct {
    const char* what;
    std::initializer_list<Listed> entries;
    QStringList cameras;
    QStringList skipped;
  } cases[] = {
      {"type 2 and status 0 skipped",
       {{"A", 1, 1}, {"BELL", 2, 1}, {"B", 1, 0}},
       {"A"},
       {"BELL is not  DEVICE_TYPE_GENERAL_CAMREA ", "BconStatus == 0 not create"}},
      {"two cameras", {{"B", 1, 1}, {"A", 1, 1}}, {"B", "A"}, {}},
      {"none", {}, {}, {}},
      {"a status other than 0 and 1", {{"A", 1, 2}}, {}, {"AconStatus == 0 not create"}},
      {"type checked before status", {{"X", 0, 0}}, {}, {"X is not  DEVICE_TYPE_GENERAL_CAMREA "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto device = deviceListing(c.entries);
    const CameraListPlan plan = cameraListPlan(device.get());
    EXPECT_EQ(ids(plan), c.cameras);
    EXPECT_EQ(plan.skipped, c.skipped);
  }
}

TEST(CameraListPlan, AliasesTravelWithTheirCameras) {
  const auto device = deviceListing({{"BELL", 2, 1}, {"A", 1, 1}});
  const CameraListPlan plan = cameraListPlan(device.get());
  ASSERT_EQ(plan.cameras.size(), 1);
  EXPECT_EQ(plan.cameras[0].aliasName, "Cam A");
}

TEST(CameraListPlan, NoContainerNoCamera) {
  EXPECT_TRUE(cameraListPlan(nullptr).cameras.isEmpty());
  Device empty;  // the device list never arrived
  EXPECT_TRUE(cameraListPlan(&empty).cameras.isEmpty());
  Device withNull;
  withNull.devlist = new Device_list;
  withNull.devlist->conDevices->append(nullptr);
  EXPECT_TRUE(cameraListPlan(&withNull).cameras.isEmpty());
}

TEST(GroupMembers, StoredIdsToCameraIndexes) {
  const struct {
    const char* what;
    QStringList group;
    QStringList cameras;
    QList<int> members;
  } cases[] = {
      {"member order is the group's, not the list's", {"B", "A", "", ""}, {"A", "B", "C"}, {1, 0}},
      {"ids without a camera skipped, later members move up", {"X", "C", "", "A"}, {"A", "B", "C"}, {2, 0}},
      {"free places are no ids", {"", "", "", ""}, {"", "A"}, {}},
      {"a camera listed twice joins twice", {"A"}, {"A", "B", "A"}, {0, 2}},
      {"never more than four", {"A", "B", "C", "D"}, {"A", "A", "B", "C", "D"}, {0, 1, 2, 3}},
      {"no cameras", {"A", "B"}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(groupMemberIndexes(c.group, c.cameras), c.members);
  }
}

// A camera in two groups names the one last shown; a group that goes away
// clears only its own name.
TEST(GroupMembers, GroupNameOfACameraInSeveralGroups) {
  EXPECT_EQ(groupNameOnJoining("", "G1"), "G1");
  EXPECT_EQ(groupNameOnJoining("G1", "G2"), "G1") << "a new group does not take a camera over";
  EXPECT_EQ(groupNameAfterLeaving("G2", "G1"), "G2") << "G1 went, the camera shows G2";
  EXPECT_EQ(groupNameAfterLeaving("G1", "G1"), "");
  EXPECT_EQ(groupNameAfterLeaving("", "G1"), "");
  EXPECT_EQ(groupNameAfterLeaving("g1", "G1"), "g1") << "names compare exactly";
}

}  // namespace
