# Installs the Debian packages the build needs, when any is missing.
# Sourced by scripts/demo, scripts/fuzz, scripts/test and scripts/package.
corvanta_packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsndfile1-dev
  libstb-dev fonts-dejavu-core libx11-dev libxtst-dev xvfb libsoxr-dev libkissfft-dev)
# The LV2 bundle: its headers and Turtle (lv2-dev, whose lv2_validate needs
# sordi), and for its tests lilv's tools and libraries and suil.
corvanta_packages+=(lv2-dev sordi lilv-utils liblilv-dev libsuil-dev)
# The fuzz targets (scripts/fuzz): clang and its libFuzzer and sanitizer runtimes.
corvanta_fuzz_packages=(clang libclang-rt-dev)
# The Windows build and its tests under Wine (scripts/test): the mingw-w64
# cross compiler, GoogleTest's sources, and Wine's 64-bit loader.
corvanta_windows_packages=(g++-mingw-w64-x86-64-posix googletest wine64 wine)
# The packages and their checks (scripts/package, scripts/check-package):
# CPack's Debian generator finds libraries with file and dependencies with
# dpkg-shlibdeps (dpkg-dev); lintian checks the .deb; zip and unzip.
corvanta_package_packages=(dpkg-dev file lintian zip unzip)
# The benchmark (scripts/bench): the peer plate reverb module it measures
# beside the algorithms.
corvanta_bench_packages=(dragonfly-reverb-vst)

# corvanta_install_deps [EXTRA_PACKAGE...]: corvanta_packages and the extras.
corvanta_install_deps() {
  local missing=()
  local package
  for package in "${corvanta_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}
