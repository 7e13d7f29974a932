// What the main window's play area shows (its playState), and the play-view
// buttons whose icons the main window's two icon slots set (their iconType).
#pragma once

// playState.
enum {
  E_MAINWINDOW_NOT_PLAYING = 0,
  E_MAINWINDOW_ONEWINDOW_PLAYING = 1,
  E_MAINWINDOW_QUADWINDOW_PLAYING = 2,
};

// iconType.
enum {
  E_ICON_PLAY = 0,
  E_ICON_SNAPSHOT = 2,
  E_ICON_RECORD = 3,
  E_ICON_SPEAKER = 4,
  E_ICON_FULLSCREEN = 5,
  E_ICON_QUAD_MAXIMIZE = 6,  // the group play window's maximise button (group slot only)
};
