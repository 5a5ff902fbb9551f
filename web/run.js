// window.elipses.run(args, files): the program exactly as from the command line, in the
// page. `args` are the arguments without the program's name; `files` maps file names
// (relative to the working folder, "/" between folders) to their text, or to their bytes
// as a Uint8Array when they are not UTF-8. Resolves to {status, stdout, stderr, files},
// `files` mapping the name of each file the run wrote to its bytes.
//
// Every run is a fresh instance of the program in a file system of its own in memory,
// started as a process is: nothing of one run is left for the next. Standard input is
// empty, so the dialogue without answers ends as it does reading an empty pipe. The
// WebAssembly is compiled once, on the first run, and instantiated again for each.
(function () {
  'use strict';

  const workingFolder = '/elipses';
  let compiled = null;

  function compiledProgram() {
    if (compiled === null) {
      const base64 = document.getElementById('elipses-wasm').textContent.replace(/\s+/g, '');
      const binary = atob(base64);
      const bytes = new Uint8Array(binary.length);
      for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
      compiled = WebAssembly.compile(bytes);
    }
    return compiled;
  }

  function collector() {
    const chunks = [];
    let bytes = [];
    const put = (byte) => {
      if (byte === null || byte === undefined) return;
      bytes.push(byte & 0xff);
      if (bytes.length === 65536) {
        chunks.push(Uint8Array.from(bytes));
        bytes = [];
      }
    };
    put.text = () => {
      chunks.push(Uint8Array.from(bytes));
      const whole = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
      let at = 0;
      for (const c of chunks) {
        whole.set(c, at);
        at += c.length;
      }
      return new TextDecoder('utf-8').decode(whole);
    };
    return put;
  }

  function makeFolders(FS, path) {
    let folder = '';
    for (const part of path.split('/').slice(0, -1)) {
      if (part === '' || part === '.') continue;
      folder += '/' + part;
      const full = workingFolder + folder;
      if (!FS.analyzePath(full).exists) FS.mkdir(full);
    }
  }

  function sameBytes(a, b) {
    if (!a || a.length !== b.length) return false;
    for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
    return true;
  }

  // Every file the run created or changed: by its name relative to the working folder,
  // or by its full name when written elsewhere (--saida with a full path).
  function writtenFiles(FS, given) {
    const written = {};
    const walk = (folder) => {
      for (const name of FS.readdir(folder)) {
        if (name === '.' || name === '..') continue;
        const full = (folder === '/' ? '' : folder) + '/' + name;
        if (full === '/dev' || full === '/proc') continue;
        const mode = FS.stat(full).mode;
        if (FS.isDir(mode)) {
          walk(full);
        } else if (FS.isFile(mode)) {
          const path = full.startsWith(workingFolder + '/') ? full.slice(workingFolder.length + 1) : full;
          const bytes = FS.readFile(full);
          if (!sameBytes(given[path], bytes)) written[path] = bytes;
        }
      }
    };
    walk('/');
    return written;
  }

  async function run(args, files) {
    args = (args || []).map(String);
    files = files || {};
    const given = {};
    for (const [name, content] of Object.entries(files)) {
      const normalised = name.replace(/^(\.\/)+/, '');
      if (typeof content === 'string') given[normalised] = new TextEncoder().encode(content);
      else if (content instanceof ArrayBuffer) given[normalised] = new Uint8Array(content);
      else given[normalised] = new Uint8Array(content);
    }
    const program = await compiledProgram();
    const stdout = collector();
    const stderr = collector();
    let exitStatus = null;
    const module = await createElipsesModule({
      noInitialRun: true,
      instantiateWasm: (imports, receive) => {
        WebAssembly.instantiate(program, imports).then((instance) => receive(instance));
        return {};
      },
      stdin: () => null,
      stdout: stdout,
      stderr: stderr,
      print: () => {},
      printErr: () => {},
      onExit: (status) => {
        exitStatus = status;
      },
      quit: (status, toThrow) => {
        throw toThrow;
      },
    });
    const FS = module.FS;
    FS.mkdir(workingFolder);
    for (const [name, bytes] of Object.entries(given)) {
      makeFolders(FS, name);
      FS.writeFile(workingFolder + '/' + name, bytes);
    }
    FS.chdir(workingFolder);
    let status;
    let crash = '';
    try {
      status = module.callMain(args);
    } catch (error) {
      // The program ended abnormally (no run should): told as a crash would be.
      crash = String(error) + '\n';
      status = 134;
    }
    if (exitStatus !== null) status = exitStatus;
    return { status: status, stdout: stdout.text(), stderr: stderr.text() + crash, files: writtenFiles(FS, given) };
  }

  window.elipses = Object.assign(window.elipses || {}, { run: run });
})();
