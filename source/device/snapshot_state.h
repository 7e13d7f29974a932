// Where the snapshot of a camera's play stands: none asked for, asked for
// (the next decoded picture is taken), saved, or failed.
#pragma once

enum class SnapshotState { None, Pending, Saved, Failed };
