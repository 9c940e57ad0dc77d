# shellcheck shell=bash
# Sourced by tools/setup.sh. Judges an `apt-get -s install` plan (on standard
# input): prints why and fails when it would remove or downgrade any package,
# which a multiarch install does when the archive has no i386 twin at the
# installed amd64 version (it then makes room by removing wine64 or libwine).
apt_plan_is_safe() {
  local line name current new removed="" downgraded=""
  while IFS= read -r line; do
    case "$line" in
      "Remv "*)
        name=${line#Remv }
        removed+=" ${name%% *}"
        ;;
      "Inst "*" ["*"] ("*)
        # Inst NAME [INSTALLED] (CANDIDATE ARCHIVE [ARCH])
        name=${line#Inst }
        name=${name%% *}
        current=${line#*\[}
        current=${current%%\]*}
        new=${line#*\(}
        new=${new%% *}
        if dpkg --compare-versions "$new" lt "$current"; then
          downgraded+=" $name ($current → $new)"
        fi
        ;;
    esac
  done
  if [ -n "$removed" ]; then
    echo "installing it would remove:$removed"
    return 1
  fi
  if [ -n "$downgraded" ]; then
    echo "installing it would downgrade:$downgraded"
    return 1
  fi
}
