// The program's sounds, synthesised. Every renderer returns 44.1 kHz float samples in
// -1..1 and gives the same samples on every run.
#pragma once

#include <vector>

namespace eh::mediagen {

// Music, interleaved stereo.
std::vector<float> RenderOpeningMusic();  // SOUND 474: 60 s, ends on the dominant, fades
std::vector<float> RenderMainMusic();     // SOUND 468: 120 s, loops without a seam

// Effects, mono.
std::vector<float> RenderVisionSound();  // SOUND 475: 16 s choir drone, loops seamlessly
std::vector<float> RenderCrowTakeOff();  // SOUND 476: caws and wing flaps, flock lifts off
std::vector<float> RenderCrowFlight();   // SOUND 477: two caws in flight
std::vector<float> RenderCrowLeave();    // SOUND 478: caws and wings receding
std::vector<float> RenderHorseTail();    // SOUND 479: tail swish
std::vector<float> RenderHorseLeg();     // SOUND 480: hoof stamp on turf, contact at once
std::vector<float> RenderHorseHead();    // SOUND 481: snort with a head shake

}  // namespace eh::mediagen
