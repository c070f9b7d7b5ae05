#!/usr/bin/env bash
# Checks the layering of the sources: nothing under src/core includes Qt or a UI header, and no
# include runs from a lower folder to a higher one. The folders of each tree, lowest first:
#   src/core: base, comm, package, history, verdict, document, devices/<family>, devices (the type table composed
#             from the families), storage, graphs
#   src/ui:   base, widgets, graphs, package, storage, devices, devices/<family>, history, app
# A family folder includes no other family; the UI tree may include anything of the core.
# Prints every offending include and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

core_order=(base comm package history verdict document family devices storage graphs)
ui_order=(base widgets graphs package storage devices family history app)

# rank <tree> <path below the tree>: the position of the file's folder in the tree's order.
rank() {
  local tree=$1 path=$2 folder i
  folder=${path%%/*}
  if [ "$folder" = devices ] && [[ $path == devices/*/* ]]; then folder=family; fi
  if [ "$tree" = core ]; then
    for i in "${!core_order[@]}"; do [ "${core_order[$i]}" = "$folder" ] && echo "$i" && return; done
  else
    for i in "${!ui_order[@]}"; do [ "${ui_order[$i]}" = "$folder" ] && echo "$i" && return; done
  fi
  echo "unknown"
}

# family <path below a tree>: the device family of a file, empty outside devices/<family>/.
family() {
  [[ $1 == devices/*/* ]] || return 0
  local rest=${1#devices/}
  echo "${rest%%/*}"
}

failed=0
report() {
  echo "$1"
  failed=1
}

if hits=$(grep -rnE '#include *<Q|#include *"ui/' src/core); then
  report "$hits"
fi

while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include *"([^"]*)".*/\1/' <<<"${line#*:}")
  from=${file#src/}
  from_tree=${from%%/*}
  from_path=${from#*/}
  to_tree=${target%%/*}
  to_path=${target#*/}
  case $to_tree in core | ui) ;; *) continue ;; esac
  [ "$from_tree" = core ] && [ "$to_tree" = ui ] && { report "$line: the core includes the UI"; continue; }
  [ "$from_tree" != "$to_tree" ] && continue
  from_rank=$(rank "$from_tree" "$from_path")
  to_rank=$(rank "$to_tree" "$to_path")
  if [ "$from_rank" = unknown ] || [ "$to_rank" = unknown ]; then
    report "$line: a folder outside the known order"
  elif ((to_rank > from_rank)); then
    report "$line: includes a higher folder"
  fi
  from_family=$(family "$from_path")
  to_family=$(family "$to_path")
  if [ -n "$from_family" ] && [ -n "$to_family" ] && [ "$from_family" != "$to_family" ]; then
    report "$line: one device family includes another"
  fi
done < <(grep -rnE '^#include *"' src)

exit "$failed"
