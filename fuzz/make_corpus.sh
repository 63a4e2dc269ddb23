#!/usr/bin/env bash
# Writes the seed corpus of both fuzz targets into OUTDIR/varnel and
# OUTDIR/quorbit: every golden case whose command line runs (its trace with
# a settings header made from its switches), and the sample traces in pieces
# of about 8 KB. The header layouts are described in varnel_fuzz.cpp and
# quorbit_fuzz.cpp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: make_corpus.sh OUTDIR}
mkdir -p "$out/varnel" "$out/quorbit"

# Must match fuzzsupport::kProcessIds.
pids=(3853 5120 27311 4711 5150 27012 21764 440 9999 1 2244 7308 123456 1234567890 123456789012345 1234567890123456)

pid_index() { # file name -> index of its process id, or nothing
  local name=${1,,} pid i
  [[ $name == amq*.* ]] || return 0
  pid=${name#amq}; pid=${pid%%.*}
  for i in "${!pids[@]}"; do
    if [[ ${pids[$i]} == "$pid" ]]; then echo "$i"; return 0; fi
  done
  return 0
}

byte() { printf "\\x$(printf %02x "$1")"; }

# varnel_header OS ENDIAN POINTER CCSID SEARCH PIDINDEX
varnel_header() {
  local os=$1 endian=$2 pointer=$3 ccsid=$4 search=$5 pid=$6 b0 mode=0 text=""
  case $os in unix) b0=0 ;; windows) b0=1 ;; zos) b0=2 ;; aat) b0=3 ;; esac
  [[ $endian == little ]] && b0=$((b0 | 4))
  [[ $pointer == 4 ]] && b0=$((b0 | 8))
  case $ccsid in 819) b0=$((b0 | 16)) ;; 1200) b0=$((b0 | 32)) ;; 1208) b0=$((b0 | 48)) ;; esac
  if [[ -n $search ]]; then
    if [[ $search == 0x* ]]; then mode=3 text=${search#0x}; else mode=1 text=$search; fi
  fi
  b0=$((b0 | mode << 6))
  byte "$b0"; byte "$pid"; byte "${#text}"; printf '%s' "$text"
}

for case in "$root"/tests/golden/varnel/*/; do
  [[ -f $case/args ]] || continue
  mapfile -t args < "$case/args"
  input=$case/${args[0]}
  [[ -f $input ]] || continue
  os=unix endian=little pointer="" ccsid=0 search=""
  for ((i = 2; i + 1 < ${#args[@]}; i += 2)); do
    v=${args[i + 1]}
    case ${args[i]} in
      -o) os=${v:0:7} ;; -e) endian=${v:0:6} ;; -p) pointer=${v:0:1} ;;
      -m) ccsid=${v//[^0-9]*/} ;; -s) search=${v:0:64} ;;
    esac
  done
  [[ $os =~ ^(unix|windows|zos|aat)$ && $endian =~ ^(little|big)$ ]] || continue
  [[ -z $pointer ]] && { [[ $os == unix ]] && pointer=8 || pointer=4; }
  pid=$(pid_index "${args[0]}")
  if [[ $os == unix || $os == windows ]]; then [[ -n $pid ]] || continue; else pid=0; fi
  { varnel_header "$os" "$endian" "$pointer" "$ccsid" "$search" "$pid"; cat "$input"; } \
    > "$out/varnel/$(basename "$case")"
done

for case in "$root"/tests/golden/quorbit/*/; do
  [[ -f $case/args ]] || continue
  mapfile -t args < "$case/args"
  input=$case/${args[0]}
  pid=$(pid_index "${args[0]}")
  [[ -f $input && -n $pid ]] || continue
  b0=$((pid << 2 | 2))
  for ((i = 2; i + 1 < ${#args[@]}; i += 2)); do
    [[ ${args[i]} == -o && ${args[i + 1]} == windows ]] && b0=$((b0 | 1))
    [[ ${args[i]} == -e && ${args[i + 1]} == big ]] && b0=$((b0 & ~2))
  done
  { byte "$b0"; cat "$input"; } > "$out/quorbit/$(basename "$case")"
done

# The sample traces, cut at line ends into pieces of about 8 KB, with the
# settings they are run with in examples/README.md.
pieces=$(mktemp -d)
trap 'rm -rf "$pieces"' EXIT
sample() { # TRACE then the varnel settings (OS ENDIAN POINTER CCSID SEARCH), or "-" for none
  local trace=$1 name; shift
  name=$(basename "$trace")
  rm -f "$pieces"/*
  split -C 8000 -d "$root/examples/$trace" "$pieces/p"
  for f in "$pieces"/p*; do
    if [[ $1 != - ]]; then
      { varnel_header "$@" "$(pid_index "$name")"; cat "$f"; } > "$out/varnel/$name-$(basename "$f")"
    fi
    if [[ $name == AMQ* ]]; then
      local b0=$(($(pid_index "$name") << 2 | 2))
      [[ $1 == windows ]] && b0=$((b0 | 1))
      { byte "$b0"; cat "$f"; } > "$out/quorbit/$name-$(basename "$f")"
    fi
  done
}
sample AMQ4711.0.FMT unix little 8 0 ""
sample AMQ5150.0.FMT unix little 8 1208 "MQ"
sample AMQ2244.0.FMT windows little 4 1208 ""
sample AMQ7308.0.FMT windows little 4 0 "PAY-"
sample BILLRUN1.TRACE zos big 4 0 ""
sample INVOICER.ACTIVITY.TXT aat little 4 819 ""

# Two inputs no sample holds: a message whose duplicate-lines notices make it
# larger than the part kept in memory (to a capture file, searched), and a
# thread that opens more queues than are compared one by one.
uline() { printf ' 10:00:00.000000     3853.1%30s%s\n' '' "$1"; }
{
  varnel_header unix little 8 1208 fox 0
  uline "User trace: msg2File-spill"
  uline " Buffer:"
  uline "0x0000:  666f7820 666f7820 666f7820 666f7820  |fox fox fox fox |"
  for ((i = 0; i < 265; i++)); do uline "0x0010:  = Skipping 999 Duplicate Lines ="; done
  uline "MQPUT <<"
  uline "MQGET >>"
} > "$out/varnel/message-beyond-memory"
{
  byte 2
  for ((i = 0; i < 12; i++)); do
    uline "MQOPEN >>"; uline "Reason        :"; uline "MQOPEN <<"; uline "Compcode:"
    uline "0x0000:  00000000 00000000 00000000 00000000  |................|"
    uline "MQI:MQOPEN HConn=01400006 HObj=00000001 ObjName=Q.NAME.$i"
  done
} > "$out/quorbit/many-queues"
echo "seed corpus: $(ls "$out/varnel" | wc -l) varnel and $(ls "$out/quorbit" | wc -l) quorbit inputs in $out"
