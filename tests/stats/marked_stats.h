#pragma once
// A record whose every field holds a value no page gives, to tell "written" from "left alone".
#include "shell/context.h"

namespace brinkmoor::test {

inline PlayerStats marked_stats() {
  PlayerStats s;
  s.id = 5;
  s.nick = "old nick";
  s.points = -11;
  s.race = "old race";
  s.ranking = -22;
  s.clan = "old clan";
  s.arena.fill(-33);
  s.fights.fill(-44);
  return s;
}

}  // namespace brinkmoor::test
