// Runs the Khronos glTF validator over .glb and .gltf files, each as bytes with
// the files beside it (buffers, images) found by their relative URIs. Prints
// every issue; exits with 1 when any file has an error, 2 on bad use.
//   node scripts/gltf-validate.mjs FILE...   (the package found in build-tools/)
import { readFile } from 'node:fs/promises';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
const require = createRequire(path.join(root, 'build-tools/gltf-validator/package.json'));
const validator = require('gltf-validator');

const files = process.argv.slice(2);
if (files.length === 0) {
  console.error('usage: node scripts/gltf-validate.mjs FILE...');
  process.exit(2);
}
let failed = false;
for (const file of files) {
  const report = await validator.validateBytes(new Uint8Array(await readFile(file)), {
    uri: path.basename(file),
    externalResourceFunction: (uri) =>
      readFile(path.join(path.dirname(file), decodeURIComponent(uri))).then((b) => new Uint8Array(b)),
  });
  const { numErrors, numWarnings } = report.issues;
  console.log(`${file}: ${numErrors} errors, ${numWarnings} warnings`);
  for (const m of report.issues.messages) {
    if (m.severity <= 1) console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} ${m.pointer ?? ''}: ${m.message}`);
  }
  if (numErrors > 0) failed = true;
}
process.exit(failed ? 1 : 0);
