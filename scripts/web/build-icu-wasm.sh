#!/usr/bin/env bash
# Builds ICU's common and i18n libraries for WebAssembly, with a data
# library cut down to the locales the web module offers, and prints the
# directory that holds them (include/, lib/). The result is cached outside
# the clone, keyed on everything that shapes it, so it is built once.
#
# The sources are Debian's icu source package, the version of the
# installed libicu-dev; icu-devtools of the same version supplies the build
# tools, so no native ICU build is needed for the cross build.
set -euo pipefail

# What the data library keeps: the locales, their currency names, and the
# tables every locale needs (the lists of locales, pools, currencies, plural
# rules, likely subtags, zones).
keep_locales="root en en_001 en_GB en_US de de_DE fr fr_FR ja ja_JP"
keep_tables="res_index.res curr/res_index.res pool.res curr/pool.res supplementalData.res
curr/supplementalData.res currencyNumericCodes.res likelySubtags.res keyTypeData.res
numberingSystems.res plurals.res pluralRanges.res dayPeriods.res metadata.res icuver.res
zoneinfo64.res timezoneTypes.res metaZones.res windowsZones.res cnvalias.icu"
flags="--host=wasm32-unknown-linux --enable-static --disable-shared --disable-tools --disable-tests
--disable-samples --disable-extras --disable-icuio --disable-layoutex --with-data-packaging=static"
cflags="-O2 -fwasm-exceptions"

icu_version=$(dpkg-query -W -f='${Version}' libicu-dev)
emcc_version=$(emcc -dumpversion)
# The flags, the keep list and every step are in this script: its text is
# part of the key.
key=$({ printf '%s\n' "$icu_version" "$emcc_version"; cat "${BASH_SOURCE[0]}"; } | sha256sum | cut -c1-16)
cache="${XDG_CACHE_HOME:-$HOME/.cache}/pelt-web/icu-$key"
if [[ -f "$cache/lib/libicudata.a" ]]; then
  echo "$cache"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A private apt configuration: the system's Debian sources with deb-src,
# so the source package comes from wherever the machine's packages do.
mkdir -p "$work/apt/lists/partial" "$work/apt/sources.list.d"
for f in /etc/apt/sources.list.d/*.sources; do
  [[ -f "$f" ]] || continue
  sed 's/^Types:.*/Types: deb-src/' "$f" > "$work/apt/sources.list.d/$(basename "$f")"
done
apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
          -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
          -o "APT::Sandbox::User=root")
mkdir -p "$work/apt/cache/archives/partial"
apt-get "${apt_opts[@]}" update -qq >&2
(cd "$work" && apt-get "${apt_opts[@]}" source -qq --download-only "icu=$icu_version" >&2 &&
  dpkg-source -x --skip-patches icu_*.dsc src >&2)
# Debian's patches are applied as its own build does.
(cd "$work/src" && if [[ -f debian/patches/series ]]; then
  while read -r p; do [[ -z "$p" || "$p" == \#* ]] || patch -p1 -s < "debian/patches/$p"; done \
    < debian/patches/series; fi) >&2

# The cross build takes its tools from icu-devtools instead of a native build.
tools_dir=$(dirname "$(command -v icupkg)")
cross="$work/cross"
mkdir -p "$cross/config" "$cross/lib" "$cross/bin"
cat > "$cross/config/icucross.mk" <<MK
CROSS_ICU_VERSION=$(icuinfo 2>/dev/null | sed -n 's/.*"version">\([0-9.]*\)<.*/\1/p' | head -1)
TOOLEXEEXT=
TOOLBINDIR=$tools_dir
TOOLLIBDIR=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
INVOKE=
MK
touch "$cross/config/icucross.inc"

build="$work/build"
mkdir -p "$build"
# shellcheck disable=SC2086
(cd "$build" && CFLAGS="$cflags" CXXFLAGS="$cflags" emconfigure "$work/src/source/configure" \
  $flags --prefix="$cache" --with-cross-build="$cross" >&2)
jobs=$(nproc)
mkdir -p "$build/lib" "$build/bin"
# DEPS= skips the dependency files: each costs a compiler run, and this
# build is made once.
(cd "$build" && for d in stubdata common i18n; do emmake make -j"$jobs" -C "$d" DEPS= >&2; done)

# The data: the prebuilt package cut down to the keep list, then turned into
# a C file (ICU's own packaging writes assembly the wasm assembler refuses).
dat=$(ls "$work"/src/source/data/in/icudt*l.dat)
name=$(basename "$dat" .dat)
mkdir -p "$work/data"
icupkg -l "$dat" > "$work/data/all.txt"
: > "$work/data/keep.txt"
for loc in $keep_locales; do
  grep -E "^(curr/)?$loc\.res$" "$work/data/all.txt" >> "$work/data/keep.txt" || true
done
for t in $keep_tables; do grep -Fx "$t" "$work/data/all.txt" >> "$work/data/keep.txt" || true; done
grep -Fvx -f "$work/data/keep.txt" "$work/data/all.txt" > "$work/data/remove.txt"
cp "$dat" "$work/data/$name.dat"
icupkg -r "$work/data/remove.txt" "$work/data/$name.dat" >&2
# The list of installed locales names only those kept.
mkdir -p "$work/data/index"
{
  echo 'res_index:table(nofallback) {'
  echo '    InstalledLocales {'
  for loc in $keep_locales; do [[ $loc == root ]] || echo "        $loc {\"\"}"; done
  echo '    }'
  echo '}'
} > "$work/data/res_index.txt"
genrb -q -d "$work/data/index" "$work/data/res_index.txt" >&2
echo res_index.res > "$work/data/index.txt"
icupkg -s "$work/data/index" -a "$work/data/index.txt" "$work/data/$name.dat" >&2
# The C symbol comes from the file name, and ICU looks for icudt<version>_dat.
entry=${name%l}
mv "$work/data/$name.dat" "$work/data/$entry.dat"
genccode -d "$work/data" "$work/data/$entry.dat" >&2
emcc $cflags -I"$work/src/source/common" -c "$work/data/${entry}_dat.c" -o "$work/data/data.o"

mkdir -p "$cache.tmp/lib" "$cache.tmp/include"
cp "$build"/lib/libicuuc.a "$build"/lib/libicui18n.a "$cache.tmp/lib/"
emar rcs "$cache.tmp/lib/libicudata.a" "$work/data/data.o"
cp -r "$work/src/source/common/unicode" "$cache.tmp/include/"
cp -r "$work/src/source/i18n/unicode/." "$cache.tmp/include/unicode/"
cp "$work/data/keep.txt" "$cache.tmp/keep.txt"
rm -rf "$cache"
mv "$cache.tmp" "$cache"
echo "$cache"
