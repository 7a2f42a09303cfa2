# Sourced by build.sh, test.sh, run.sh and bench/run.sh once the machine is set
# up: picks the variant the tests run as and sets $variant, $variant_reason
# and $build (its build folder; the i686 one is ${OMBREL_BUILD_DIR:-build}).
# The product is i686. Where this machine cannot run 32-bit code, which only
# starting the 32-bit Wine loader tells, the tests run as x86_64 under 64-bit
# Wine instead, and the i686 product is still compiled and linked.
#   OMBREL_VARIANT=i686|x86_64   take this variant
#   OMBREL_RUNS_32BIT=yes|no     take this answer instead of starting the loader
i686_build=${OMBREL_BUILD_DIR:-$root/build}
if [ -n "${OMBREL_VARIANT:-}" ]; then
  variant=$OMBREL_VARIANT
  variant_reason="OMBREL_VARIANT=$OMBREL_VARIANT is set"
  case "$variant" in i686|x86_64) ;; *) echo "OMBREL_VARIANT must be i686 or x86_64" >&2; exit 2 ;; esac
else
  case "${OMBREL_RUNS_32BIT:-}" in
    yes) variant=i686 variant_reason="OMBREL_RUNS_32BIT=yes says this machine runs 32-bit code" ;;
    no) variant=x86_64 variant_reason="OMBREL_RUNS_32BIT=no says this machine cannot run 32-bit code" ;;
    *)
      if loader_error=$( { /usr/lib/wine/wine --version >/dev/null; } 2>&1 ); then
        variant=i686 variant_reason="this machine runs the 32-bit Wine loader"
      else
        variant=x86_64
        variant_reason="this machine cannot run the 32-bit Wine loader (${loader_error##*: })"
      fi ;;
  esac
fi
if [ "$variant" = i686 ]; then build=$i686_build; else build=$i686_build-x86_64; fi
