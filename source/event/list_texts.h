// Texts of the camera and group lists.
#pragma once

#include <QString>

// The camera list's title: "0 device", "1 device", "2 devices" ...
// (" device" below 2, " devices" from 2 on).
QString deviceCountText(int count);
