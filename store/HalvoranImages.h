#pragma once
// The program's images under ":/Halvoran/Image/" (icons, splash, logo, waiting animation).
// They live in this static library; a program or test that shows them calls this once first.
void initHalvoranImages();
