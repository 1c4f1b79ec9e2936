#!/bin/sh
# Hand-over after an update: puts the programs that the updater downloaded into "temp/" in place
# of the ones in the working directory. The updater starts this script without parameters, from
# the working directory, and ends at once without waiting for it.
#
# - It first waits (at most WAIT_SECONDS) until no process runs the updater of this folder.
# - Each program is installed on its own: a missing or empty download is refused and leaves the
#   installed program as it is.
# - The previous program is kept as "<name>.old".
# - The new file is copied beside the target, made executable and renamed over it, so the name
#   always refers to a complete program; a main program that is still running keeps its old
#   image and starts the new one next time.
# - The downloads are removed from "temp/" once installed.
# Exit status: 0 when both programs were installed, 1 otherwise.

WAIT_SECONDS=30
PROGRAMS="brinkmoor aktualizator"

say() {
  printf '%s\n' "$*"
}

dir=$(pwd -P) || exit 1

# True while a process runs the updater file of this folder. One listing of the processes'
# program links a poll; processes that cannot be inspected (other users', or systems without
# /proc) do not count.
updater_running() {
  target=$(readlink -f "$dir/aktualizator" 2>/dev/null) || return 1
  [ -n "$target" ] || return 1
  ls -l /proc/[0-9]*/exe 2>/dev/null | TARGET="$target" awk '
    BEGIN { target = ENVIRON["TARGET"] }
    { at = index($0, " -> "); if (at > 0 && substr($0, at + 4) == target) found = 1 }
    END { exit found ? 0 : 1 }'
}

if updater_running; then
  say "Waiting for the updater to end."
  deadline=$(($(date +%s) + WAIT_SECONDS))
  while updater_running && [ "$(date +%s)" -lt "$deadline" ]; do
    sleep 0.2 2>/dev/null || sleep 1
  done
  if updater_running; then
    say "The updater is still running; replacing the programs anyway."
  fi
fi

# install NAME: puts temp/NAME in place of NAME; 0 on success.
install_program() {
  name=$1
  download="$dir/temp/$name"
  target="$dir/$name"
  staged="$dir/.$name.new.$$"
  if [ ! -f "$download" ] || [ ! -s "$download" ]; then
    say "No usable download of $name; $name is left as it was."
    return 1
  fi
  if ! cp "$download" "$staged" 2>/dev/null || ! chmod 0755 "$staged"; then
    rm -f "$staged"
    say "Cannot prepare the new $name; $name is left as it was."
    return 1
  fi
  if [ -f "$target" ]; then
    # A second name for the old file keeps it complete even while the new one takes its place.
    if ! ln -f "$target" "$target.old" 2>/dev/null && ! cp -p "$target" "$target.old"; then
      rm -f "$staged"
      say "Cannot keep the previous $name; $name is left as it was."
      return 1
    fi
  fi
  if ! mv -f "$staged" "$target"; then
    rm -f "$staged"
    say "Cannot replace $name; $name is left as it was."
    return 1
  fi
  rm -f "$download"
  say "$name updated."
  return 0
}

status=0
for program in $PROGRAMS; do
  install_program "$program" || status=1
done
exit "$status"
