#!/bin/bash
# Registers the test camera in the current Wine prefix ($WINEPREFIX) and
# replaces every video input device instance with the ones given.
#
#   register-instances.sh --reset
#       removes all video input instances (the category is then empty)
#   register-instances.sh DLL_PATH [INSTANCE...]
#       DLL_PATH: TestCam.dll as a Unix path or a Windows path
#       INSTANCE: "KEY:FriendlyName:Width:Height:Mode[:Fps]"
#           KEY is the instance subkey name: devices enumerate in the
#           alphabetical order of these keys. An empty field leaves its value
#           out (no FriendlyName, default 640 x 480, mode preview, 20 fps).
#           Modes: preview, captureonly, failbind, silent, vanish.
#
# Example:
#   register-instances.sh build/TestCam.dll "0:Zulu Camera:640:480:preview" \
#       "1:Alpha Camera:162:120:captureonly" "2::320:240:"
set -euo pipefail

readonly CATEGORY='{860BB310-5D01-11D0-BD3B-00A0C911CE86}'
readonly TESTCAM_CLSID='{B31F1697-C987-4DC2-AD56-B3FEAC6AACF7}'
readonly CLASSES='HKEY_LOCAL_MACHINE\Software\Classes\CLSID'

usage() {
    sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

# a .reg string: backslashes and quotes escaped
reg_string() {
    local s=${1//\\/\\\\}
    printf '"%s"' "${s//\"/\\\"}"
}

reg_dword() {
    printf 'dword:%08x' "$1"
}

# runs in this shell before anything is written: a pipeline cannot stop the import
validate_instance() {
    local key name width height mode fps extra
    IFS=: read -r key name width height mode fps extra <<<"$1"
    [[ -n $key && -z ${extra:-} && $key != *\\* ]] || { echo "bad instance: $1" >&2; exit 2; }
    local number
    for number in "$width" "$height" "${fps:-}"; do
        [[ -z $number || $number =~ ^[0-9]{1,9}$ ]] || { echo "not a number: $number in $1" >&2; exit 2; }
    done
}

write_instance() {
    local key name width height mode fps
    IFS=: read -r key name width height mode fps <<<"$1"
    printf '[%s\\%s\\Instance\\%s]\r\n' "$CLASSES" "$CATEGORY" "$key"
    printf '"CLSID"="%s"\r\n' "$TESTCAM_CLSID"
    [[ -n $name ]] && printf '"FriendlyName"=%s\r\n' "$(reg_string "$name")"
    [[ -n $width ]] && printf '"Width"=%s\r\n' "$(reg_dword "$width")"
    [[ -n $height ]] && printf '"Height"=%s\r\n' "$(reg_dword "$height")"
    [[ -n $mode ]] && printf '"Mode"=%s\r\n' "$(reg_string "$mode")"
    [[ -n ${fps:-} ]] && printf '"Fps"=%s\r\n' "$(reg_dword "$fps")"
    printf '\r\n'
}

write_reg() {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[-%s\\%s\\Instance]\r\n\r\n' "$CLASSES" "$CATEGORY"
    [[ $# -eq 0 ]] && return
    local dll_path=$1
    shift
    printf '[%s\\%s]\r\n@="Velmo Test Camera"\r\n\r\n' "$CLASSES" "$TESTCAM_CLSID"
    printf '[%s\\%s\\InprocServer32]\r\n' "$CLASSES" "$TESTCAM_CLSID"
    printf '@=%s\r\n"ThreadingModel"="Both"\r\n\r\n' "$(reg_string "$dll_path")"
    local instance
    for instance in "$@"; do
        write_instance "$instance"
    done
}

[[ $# -ge 1 ]] || usage
if [[ $1 == --reset ]]; then
    [[ $# -eq 1 ]] || usage
    set --
else
    dll=$1
    shift
    if [[ $dll != [A-Za-z]:\\* ]]; then
        [[ -f $dll ]] || { echo "no such file: $dll" >&2; exit 2; }
        dll=$(winepath -w "$(readlink -f "$dll")" 2>/dev/null)
    fi
    for instance in "$@"; do
        validate_instance "$instance"
    done
    set -- "$dll" "$@"
fi

reg_file=$(mktemp --suffix=.reg)
trap 'rm -f "$reg_file"' EXIT
# UTF-16 with a byte order mark, so friendly names may hold any character
{ printf '\xff\xfe'; write_reg "$@" | iconv -f UTF-8 -t UTF-16LE; } >"$reg_file"
wine reg import "$(winepath -w "$reg_file" 2>/dev/null)" >/dev/null 2>&1 || {
    echo "wine reg import failed" >&2
    exit 1
}
