#pragma once

namespace tl {

// Makes every buffer of 256 KB or more its own mapping, handed back to the system when freed.
// glibc otherwise raises that bound to the largest buffer freed so far (up to 32 MB), and an
// export's frame-sized planes, once freed, stay in the heap: the program then holds a frame's
// worth more than it uses. Called once, first thing in main.
void returnLargeFreedBuffersToTheSystem();

} // namespace tl
