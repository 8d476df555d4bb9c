#!/usr/bin/env bash
# Checks the direction of includes between the program's folders: each folder includes only
# folders below it in this order, never one above it, and window code leaves the catalog, the
# server database and the auto-commit policy to the Firebird layer. Prints every violation;
# exits non-zero when there is one.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 2

# Lowest first. Folders on one line are siblings: neither may include the other.
LAYERS=(
  "base"
  "data"
  "drivers/firebird drivers/paradox"
  "drivers"
  "firebird"
  "ui"
  "windows/repository"
  "windows/editing"
  "windows/catalog windows/dataview"
  "app"
)

rank_of() {  # rank and folder of a path, by its longest matching folder
  local path=$1 i folder best="" rank=-1
  for i in "${!LAYERS[@]}"; do
    for folder in ${LAYERS[$i]}; do
      if [[ $path == "$folder"/* && ${#folder} -gt ${#best} ]]; then best=$folder; rank=$i; fi
    done
  done
  echo "$rank $best"
}

status=0
while IFS= read -r file; do
  read -r from_rank from <<<"$(rank_of "$file")"
  [ "$from_rank" -ge 0 ] || continue
  while IFS= read -r target; do
    read -r to_rank to <<<"$(rank_of "$target")"
    [ "$to_rank" -ge 0 ] || continue
    if [ "$to" != "$from" ] && [ "$to_rank" -ge "$from_rank" ]; then
      echo "$file includes $target: $to is not below $from"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find base data drivers firebird ui windows app -name '*.cpp' -o -name '*.h' | sort)

# The windows show and ask: the Firebird layer reads the catalog and runs the DDL.
if hits=$(grep -rnF -e 'RDB$' -e '"IBB"' -e 'AutoCommit' -e 'DMSys' windows); then
  echo "window code that belongs to the Firebird layer:"
  echo "$hits"
  status=1
fi
exit $status
