// LAN search state of the library (one per process): created by the first
// APP_init, removed by APP_uninit.
#pragma once

// Creates the LAN search state (no socket, broadcast list 255.255.255.255).
// Later calls change nothing.
void lan_search_setup();

// Stops a running search (socket closed, both threads joined) and removes
// the state; APP_LANSearchStart answers -1000 again until the next setup.
void lan_search_teardown();
