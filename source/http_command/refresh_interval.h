// Period of the token-refresh timer: three quarters of the access token's
// lifetime. E (seconds) gives (E * 3 / 4) * 1000 ms with integer division,
// 1000 ms when E * 3 / 4 is 0. Worked in 64 bits and kept within
// [1000, INT_MAX] so a long lifetime cannot wrap into a tiny or negative
// interval (7200 s -> 5,400,000 ms; a negative lifetime -> 1000 ms).
#pragma once

int refreshIntervalMs(int accessExpiresIn);
