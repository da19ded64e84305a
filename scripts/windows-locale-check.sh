#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The code page chosen from the locale, checked under Wine: for each locale of a hand-written
# table, the ANSI code page Wine's Windows takes from it (GetACP) is the one the table says, and
# the Linux build and the Windows build of tessaroll-cli, each run with that LANG, give the same
# list of a word of that language as --code-page with the code page the program uses (1252 where
# the locale's is not one of the ten), and the same sentence on the characters that do not reach
# the seed. Then, with LANG=ru_RU.UTF-8 (GetACP 1251), Cyrillic piped as UTF-8 and through
# cmd.exe's echo (in the console's code page, 866), on both builds.
#
# Usage: scripts/windows-locale-check.sh WINDOWS_CLI LINUX_CLI WORK_FOLDER
#   Runs in its own Wine prefix, WORK_FOLDER/wine-locales, so that the prefix of the other checks
#   keeps its code page 1252; the locales are made with localedef into WORK_FOLDER/locales
#   (package locales), since Wine, like every program, reads LANG only for a locale that exists.
set -euo pipefail
tessaroll_script=windows-locale-check
. "$(dirname "$0")/lib/common.sh"
. "$root/scripts/lib/wine.sh"

[ $# -eq 3 ] || die "usage: $0 WINDOWS_CLI LINUX_CLI WORK_FOLDER"
windows_cli=$(realpath "$1")
linux_cli=$(realpath "$2")
work=$(realpath -m "$3")
mkdir -p "$work"

# LANG, the ANSI code page Windows has for it, the code page the program uses, and a word.
table=(
    "C.UTF-8 1252 1252 łódź"
    "de_DE.UTF-8 1252 1252 Größe"
    "ru_RU.UTF-8 1251 1251 пароль"
    "uk_UA.UTF-8 1251 1251 їжак"
    "uz_UZ.UTF-8@cyrillic 1251 1251 ўзбек"
    "pl_PL.UTF-8 1250 1250 łódź"
    "sr_RS.UTF-8@latin 1250 1250 šđčćž"
    "el_GR.UTF-8 1253 1253 κωδικός"
    "tr_TR.UTF-8 1254 1254 şifreğı"
    "he_IL.UTF-8 1255 1255 סיסמה"
    "ar_EG.UTF-8 1256 1256 كلمة"
    "lt_LT.UTF-8 1257 1257 ąčęėįš"
    "vi_VN.UTF-8 1258 1258 đươngă"
    "th_TH.UTF-8 874 874 รหัสผ่าน"
    "ja_JP.UTF-8 932 1252 secret"
)

# --- The locales, for Wine ----------------------------------------------------------------------
locales="$work/locales"
mkdir -p "$locales"
for row in "${table[@]}"; do
    read -r lang _ <<<"$row"
    [ "${lang%%.*}" != C ] || continue
    [ ! -f "$locales/$lang/LC_CTYPE" ] || continue
    # sr_RS.UTF-8@latin is made from the source sr_RS@latin.
    source_name="${lang%%.*}"
    case $lang in *@*) source_name="$source_name@${lang#*@}" ;; esac
    localedef -c -i "$source_name" -f UTF-8 "$locales/$lang" >/dev/null 2>&1 || true
    [ -f "$locales/$lang/LC_CTYPE" ] || die "localedef could not make the locale $lang"
done
export LOCPATH="$locales"

# --- GetACP under Wine ----------------------------------------------------------------------------
acp_exe="$work/acp.exe"
if [ ! -f "$acp_exe" ]; then
    printf '%s\n' '#include <stdio.h>' '#include <windows.h>' \
        'int main(void) { printf("%u\n", GetACP()); return 0; }' >"$work/acp.c"
    x86_64-w64-mingw32-gcc-posix -O1 -o "$acp_exe" "$work/acp.c"
fi

wine_environment "$work/wine-locales"
unset DISPLAY
trap wine_stop EXIT
[ -f "$WINEPREFIX/system.reg" ] || say "creating the Wine prefix $WINEPREFIX"
wine_prefix

# Runs a command with LANG=$1 and no LC_ALL or LC_CTYPE, standard input from $2, output in
# $work/out.txt and $work/err.txt (carriage returns removed); the status is echoed.
run_with() {
    local lang=$1 input=$2
    shift 2
    local status=0
    env -u LC_ALL -u LC_CTYPE LANG="$lang" "$@" <"$input" >"$work/out.raw" 2>"$work/err.raw" ||
        status=$?
    tr -d '\r' <"$work/out.raw" >"$work/out.txt"
    tr -d '\r' <"$work/err.raw" >"$work/err.txt"
    echo "$status"
}

failures=0
fail() {
    say "FAILED: $*" >&2
    failures=$((failures + 1))
}

args=(generate --date 2002-07-26 --count 3)
for row in "${table[@]}"; do
    read -r lang acp used word <<<"$row"
    printf '%s\n' "$word" >"$work/word.txt"
    run_with "$lang" /dev/null "$wine" "$acp_exe" >/dev/null
    got_acp=$(cat "$work/out.txt")
    [ "$got_acp" = "$acp" ] || fail "LANG=$lang: GetACP gives '$got_acp', the table $acp"

    [ "$(run_with C.UTF-8 "$work/word.txt" "$linux_cli" "${args[@]}" --code-page "$used")" = 0 ] ||
        fail "LANG=$lang: the Linux CLI with --code-page $used failed: $(cat "$work/err.txt")"
    expected=$(cat "$work/out.txt")
    [ "$(run_with "$lang" "$work/word.txt" "$linux_cli" "${args[@]}")" = 0 ] ||
        fail "LANG=$lang: the Linux CLI failed: $(cat "$work/err.txt")"
    linux_out=$(cat "$work/out.txt")
    linux_notes=$(grep -v '^tessaroll-cli: warning' "$work/err.txt" || true)
    linux_warning=$(grep '^tessaroll-cli: warning' "$work/err.txt" || true)
    [ "$(run_with "$lang" "$work/word.txt" "$wine" "$windows_cli" "${args[@]}")" = 0 ] ||
        fail "LANG=$lang: the Windows CLI failed: $(cat "$work/err.txt")"
    windows_out=$(cat "$work/out.txt")
    windows_notes=$(grep -v '^tessaroll-cli: warning' "$work/err.txt" || true)
    windows_warning=$(grep '^tessaroll-cli: warning' "$work/err.txt" || true)

    [ "$linux_out" = "$expected" ] || fail "LANG=$lang: the Linux list is not that of $used"
    [ "$windows_out" = "$expected" ] || fail "LANG=$lang: the Windows list is not that of $used"
    [ "$linux_notes" = "$windows_notes" ] ||
        fail "LANG=$lang: the notes differ: Linux '$linux_notes', Windows '$windows_notes'"
    # A code page that is not one of the ten is named by both, in their own words.
    if [ "$acp" != "$used" ]; then
        [[ $linux_warning == *" $acp, "* && $windows_warning == *" $acp is "* ]] ||
            fail "LANG=$lang: the note on code page $acp is missing: '$linux_warning'," \
                "'$windows_warning'"
    elif [ -n "$linux_warning$windows_warning" ]; then
        fail "LANG=$lang: a warning no one expects: '$linux_warning', '$windows_warning'"
    fi
    # The word has characters 1252 lacks, so its list there is another one, except in 1252.
    if [ "$used" != 1252 ]; then
        run_with C.UTF-8 "$work/word.txt" "$linux_cli" "${args[@]}" --code-page 1252 >/dev/null
        [ "$(cat "$work/out.txt")" != "$expected" ] ||
            fail "LANG=$lang: \"$word\" gives the list of 1252; it tells nothing"
    fi
    say "LANG=$lang: GetACP $got_acp, code page $used, \"$word\" gives the same list on both"
done

# --- Cyrillic with LANG=ru_RU.UTF-8 -----------------------------------------------------------------
ru=ru_RU.UTF-8
printf 'пароль\n' >"$work/parol.txt"
printf 'секрет\n' >"$work/sekret.txt"
run_with C.UTF-8 "$work/parol.txt" "$linux_cli" "${args[@]}" --code-page 1251 >/dev/null
parol=$(cat "$work/out.txt")
run_with C.UTF-8 "$work/sekret.txt" "$linux_cli" "${args[@]}" --code-page 1251 >/dev/null
sekret=$(cat "$work/out.txt")
[ "$parol" != "$sekret" ] || fail "\"пароль\" and \"секрет\" give one list in 1251"
for build in linux windows; do
    if [ $build = linux ]; then cli=("$linux_cli"); else cli=("$wine" "$windows_cli"); fi
    run_with $ru "$work/parol.txt" "${cli[@]}" "${args[@]}" >/dev/null
    [ "$(cat "$work/out.txt")" = "$parol" ] || fail "$build, LANG=$ru: \"пароль\" is not its 1251 list"
    run_with $ru "$work/sekret.txt" "${cli[@]}" "${args[@]}" >/dev/null
    [ "$(cat "$work/out.txt")" = "$sekret" ] || fail "$build, LANG=$ru: \"секрет\" is not its 1251 list"
    run_with $ru "$work/parol.txt" "${cli[@]}" "${args[@]}" --code-page 1251 >/dev/null
    [ "$(cat "$work/out.txt")" = "$parol" ] || fail "$build: --code-page 1251 gives another list"
done
# Through cmd.exe's echo: the bytes come in the console's code page (866 for Russian), not UTF-8.
run_with $ru /dev/null "$wine" cmd /c \
    "echo пароль| $(winpath "$windows_cli") generate --date 2002-07-26 --count 3" >/dev/null
[ "$(grep '^Password' "$work/out.txt")" = "$parol" ] ||
    fail "cmd.exe's echo of \"пароль\" is not read as пароль: $(cat "$work/out.txt" "$work/err.txt")"
say "LANG=$ru: \"пароль\" and \"секрет\" give their own lists on both builds, piped as UTF-8" \
    "and through cmd.exe's echo, the lists of --code-page 1251"

[ "$failures" -eq 0 ] || die "$failures of the locale checks failed"
say "the code page of the locale agrees with Windows for ${#table[@]} locales"
