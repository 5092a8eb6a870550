#pragma once

// The platform's virtual-key code of a Windows key message's virtual key: the same code, for
// the keys that the platform delivers; 0 for the others.
int VirtualKeyOf(unsigned windowsKey);
