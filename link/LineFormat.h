#pragma once

#include <termios.h>

// Puts the device fd into the sensor's line format: 9600 baud, 7 data bits, even parity, one
// stop bit, raw, no flow control, parity checked and errors marked in the data (INPCK|PARMRK).
// current is the device's setting as fetched; the hang-up-on-close choice is kept from it.
// False with errno set when the device refuses.
bool ApplyLineFormat(int fd, const termios& current);
