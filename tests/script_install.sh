#!/bin/bash
# Installs the build into a scratch prefix and checks that every file lands where the program and the
# desktop look for it. $1 is the folder of the built executable (build/bin).
set -u
bindir=$(cd "$1" && pwd)
build=$(dirname "$bindir")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix" "$prefix.log"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

quietly() { "$@" >"$prefix.log" 2>&1 || { cat "$prefix.log"; false; }; }
quietly cmake --install "$build" --prefix "$prefix" || fail "cmake --install failed"

prog="$prefix/lib/zq4"
[ -x "$prog/zq4" ] || fail "executable missing in lib/zq4"
[ -s "$prog/zq4_text.dat" ] || fail "program texts missing beside the executable"
cmp -s "$bindir/zq4_text.dat" "$prog/zq4_text.dat" || fail "installed program texts differ from the build's"
if [ -d "$(dirname "$0")/../docs" ]; then
    for f in "$(dirname "$0")"/../docs/*; do
        [ "$(basename "$f")" = zq4.1 ] && continue
        [ -s "$prog/$(basename "$f")" ] || fail "$(basename "$f") missing beside the executable"
    done
fi
[ -e "$prog/zq4.1" ] && fail "manual page installed beside the executable as well"

manual="$prog/manual.html"
[ -s "$manual" ] || fail "manual missing beside the executable"
# The manual must open offline: no scripts, style sheets or frames, and pictures only from files beside it.
grep -Eiq '<(script|link|iframe)\b|url\(' "$manual" && fail "manual refers to external resources"
grep -Eio '<[a-z]+[^>]*src=' "$manual" | grep -Eviq '^<img\b' && fail "manual refers to external resources"
for src in $(grep -Eio '<img[^>]*src="[^"]*"' "$manual" | sed -E 's/.*src="([^"]*)"/\1/'); do
    case "$src" in */* | *:*) fail "manual picture $src is not a file beside it" ;; esac
    [ -s "$prog/$src" ] || fail "manual picture $src missing beside the manual"
done
grep -q 'make run' "$manual" && grep -q 'make test' "$manual" || fail "manual lacks the two commands"

man1="$prefix/share/man/man1/zq4.1.gz"
[ -s "$man1" ] || fail "manual page missing in share/man/man1"
gzip -dc "$man1" | head -n 1 | grep -q '^\.TH ZQ4 1' || fail "manual page lacks its title line"

[ -L "$prefix/bin/zq4" ] || fail "bin/zq4 is not a link"
[ "$(readlink -f "$prefix/bin/zq4")" = "$(readlink -f "$prog/zq4")" ] || fail "bin/zq4 does not lead to the program"
case "$(readlink "$prefix/bin/zq4")" in /*) fail "bin/zq4 link is absolute, the prefix could not move" ;; esac

desktop="$prefix/share/applications/zq4.desktop"
[ -s "$desktop" ] || fail "desktop entry missing"
head -n 1 "$desktop" | grep -qx '\[Desktop Entry\]' || fail "desktop entry lacks its group header"
for key in 'Type=Application' 'Name=ZQ4' 'Exec=zq4 %F' 'Icon=zq4' 'Terminal=false' \
    'MimeType=application/x-zq4-encrypted;'; do
    grep -qx "$key" "$desktop" || fail "desktop entry lacks $key"
done
grep -q '^Categories=.*;$' "$desktop" || fail "desktop entry lacks categories"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry does not validate"
fi

icon="$prefix/share/icons/hicolor/scalable/apps/zq4.svg"
[ -s "$icon" ] || fail "icon missing"
grep -q '<svg' "$icon" || fail "icon is not an SVG"
if command -v xmllint >/dev/null; then
    xmllint --noout "$icon" || fail "icon is not well-formed"
fi

for size in 16 32 48 64 128 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/zq4.png" ] || fail "${size}x${size} icon missing"
done

# The file type is registered in the prefix: the database built there knows a file by its first bytes, and only
# by them: another tool's .enc file is not ours.
[ -s "$prefix/share/mime/packages/zq4.xml" ] || fail "file type missing"
[ -s "$prefix/share/mime/mime.cache" ] || fail "file type database not built in the prefix"
files=$(mktemp -d)
trap 'rm -rf "$prefix" "$prefix.log" "$files"' EXIT
printf 'ZQ4E\001\001\020\021' >"$files/backup"
printf 'ZQ4E\001\001\020\021' >"$files/notes.txt.enc"
head -c 200 /dev/urandom | tr -d 'Z' >"$files/rand.enc"
printf 'plain text\n' >"$files/notes.txt"
filetype() { XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$files/none" xdg-mime query filetype "$1"; }
for f in backup notes.txt.enc; do
    [ "$(filetype "$files/$f")" = application/x-zq4-encrypted ] || fail "$f is $(filetype "$files/$f")"
done
[ "$(filetype "$files/rand.enc")" != application/x-zq4-encrypted ] || fail "another tool's rand.enc is taken for ours"
[ "$(filetype "$files/notes.txt")" = text/plain ] || fail "a text file is $(filetype "$files/notes.txt")"

# The completions are where each shell looks, and bash completes with them: the commands, a command's options,
# and for decrypt the encrypted files.
for f in share/bash-completion/completions/zq4 share/zsh/vendor-completions/_zq4 \
    share/fish/vendor_completions.d/zq4.fish; do
    [ -s "$prefix/$f" ] || fail "completion $f missing"
done
complete_words() { # the words bash offers for the command line "$@" (the last word being completed)
    (cd "$files" && bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"
        _zq4 zq4 "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$prefix/share/bash-completion/completions/zq4" "$@" 2>/dev/null | sort | tr '\n' ' ')
}
[ "$(complete_words zq4 '')" = "decrypt encrypt verify " ] || fail "commands completed as: $(complete_words zq4 '')"
complete_words zq4 encrypt --ov | grep -q -- '--overwrite' || fail "encrypt's options not completed"
[ "$(complete_words zq4 decrypt '')" = "notes.txt.enc rand.enc " ] ||
    fail "decrypt completes files as: $(complete_words zq4 decrypt '')"

# Installing again over an existing installation works (the link is replaced).
quietly cmake --install "$build" --prefix "$prefix" || fail "second install failed"
[ -L "$prefix/bin/zq4" ] || fail "bin/zq4 lost on reinstall"

# Removing it leaves nothing of ours, and the file type is forgotten.
[ -s "$prog/uninstall.cmake" ] || fail "no uninstall.cmake beside the program"
quietly cmake -P "$prog/uninstall.cmake" || fail "uninstall.cmake failed"
left=$(find "$prefix" -path '*zq4*' -o -name '*x-zq4*')
[ -z "$left" ] || fail "left behind after uninstall: $left"
[ "$(filetype "$files/backup")" != application/x-zq4-encrypted ] || fail "file type still known after uninstall"
echo "PASS: installed and removed under $prefix"
