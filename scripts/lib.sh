# Shared by the two set-up commands: Debian packages and the configure step.

NIMBRA_PACKAGES=(
  build-essential clang libclang-rt-14-dev cmake pkg-config python3 openssl util-linux
  libgtest-dev libglib2.0-dev libgtk-3-dev libplist-dev
  libcurl4-openssl-dev libssl-dev zlib1g-dev
  nginx-light locales xvfb xauth imagemagick curl xdotool
  fonts-dejavu-core fonts-noto-cjk
)

nimbra_install_packages() {
  local missing=()
  for package in "${NIMBRA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages (install them as root): ${missing[*]}" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# nimbra_build DIR [cmake options...]
nimbra_build() {
  local dir=$1
  shift
  cmake -S "$NIMBRA_SOURCE" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" >/dev/null
}
