// The form of the page: it asks what the command line asks, runs the program with those
// arguments (window.elipses.run) and shows what it wrote, the verdict first. The page
// checks nothing itself: a bad answer or file gets the program's message beside its
// field, said in the form's words (the field's name, never an option), and no result.
// Each option is one line of `fields`.
(function () {
  'use strict';

  const goniometric = (v) => v['--modo'] === 'g';
  const open = (v) => v['--poligonal'] === 'a';
  const closed = (v) => v['--poligonal'] === 'f';
  const heights = (v) => v['--alturas'] === true;
  const levels = [
    ['1', '1 — erro a 1 sigma (39,4 %)'], ['2', '2 — 50 %'], ['3', '3 — 63,2 %'], ['4', '4 — 90 %'],
    ['5', '5 — 95 %'], ['6', '6 — 97,5 %'], ['7', '7 — 99 %'], ['8', '8 — 99,8 %'],
  ];

  // option: the command line's; choices: a list to pick from; flag: an option without a
  // value; value: what the field starts with; when: the answers it applies to (a field
  // that does not apply is hidden and not passed).
  const fields = [
    { option: '--modo', label: 'Modo de observação', choices: [['g', 'goniométrico (ângulo em cada estação)'], ['d', 'declinado (rumo de cada lado)']] },
    { option: '--poligonal', label: 'Poligonal', choices: [['a', 'aberta'], ['f', 'fechada (ponto final de coordenadas conhecidas)']] },
    { option: '--mm', label: 'Distâncias, parte fixa (mm)', hint: 'ex.: 3' },
    { option: '--ppm', label: 'Distâncias, parte proporcional (ppm)', hint: 'ex.: 2' },
    { option: '--segundos', label: 'Direções (modo g) ou rumos (modo d), em segundos', hint: 'ex.: 5' },
    { option: '--cc', label: 'ou as mesmas em segundos centesimais (cc), em vez dos segundos', hint: 'ex.: 15' },
    { option: '--inicial', label: 'Ponto inicial: σM, σP (m) e covariância (m²)', hint: 'ex.: 0.005,0.005,0', when: (v) => goniometric(v) || open(v) },
    { option: '--final', label: 'Ponto final: σM, σP (m) e covariância (m²)', hint: 'ex.: 0.008,0.006,0', when: (v) => goniometric(v) && closed(v) },
    { option: '--nivel', label: 'Nível das elipses', choices: levels, value: '5' },
    { option: '--escala', label: 'Módulo da escala do desenho', value: '1000' },
    { option: '--altura', label: 'Altura do texto no desenho', value: '2.5' },
    { option: '--ajustada', label: 'Ajustar pelo método dos mínimos quadrados', flag: true, when: closed },
    { option: '--relativas', label: 'Elipses relativas entre pontos vizinhos', flag: true },
    { option: '--fiabilidade', label: 'Fiabilidade: números de redundância e erros detetáveis', flag: true, when: closed },
    { option: '--centragem', label: 'Centragem do instrumento e dos alvos, σ em mm (I,T)', hint: 'ex.: 2,2' },
    { option: '--series', label: 'Número de séries de direções', hint: '1' },
    { option: '--tolerancia', label: 'Tolerância relativa entre pontos: mm,ppm', hint: 'ex.: 20,50' },
    { option: '--tolerancia-ponto', label: 'Tolerância de cada ponto (mm)', hint: 'ex.: 30' },
    { option: '--projetar', label: 'Folha de projeto (limites, parcelas, classes de instrumentos)', flag: true },
    { option: '--alturas', label: 'Alturas por nivelamento trigonométrico (cada registo com a altura H depois de P)', flag: true },
    { option: '--zenital', label: 'Ângulos zenitais, desvio padrão, na unidade das direções (vazio: o das direções)', hint: 'ex.: 5', when: heights },
    { option: '--medicao-alturas', label: 'Medição da altura do instrumento e da dos alvos, σ em mm (I,T)', hint: '1,1', when: heights },
    { option: '--refracao', label: 'Coeficiente de refração e o seu desvio padrão (K,SK)', hint: '0.13,0.05', when: heights },
    { option: '--reciprocas', label: 'Cada lado observado nos dois sentidos (recíprocas)', flag: true, when: heights },
    { option: '--altura-inicial', label: 'Altura do ponto inicial: σ (m)', hint: '0', when: heights },
    { option: '--altura-final', label: 'Altura do ponto final: σ (m)', hint: '0', when: (v) => heights(v) && closed(v) },
    { option: '--tolerancia-altura', label: 'Tolerância vertical entre pontos: mm,ppm', hint: 'ex.: 10,0', when: heights },
  ];

  const byId = (id) => document.getElementById(id);
  const shownBytes = 200000;
  const fieldName = (field) => 'field' + field.option;
  // The coordinate file as chosen or dropped: its bytes go to the program untouched (it
  // reads Latin-1 and UTF-8 alike), unless its records are edited in the box.
  let chosen = null;
  let reading = Promise.resolve();

  function buildFields() {
    const holder = byId('fields');
    for (const field of fields) {
      const row = document.createElement('div');
      row.className = 'field';
      row.id = fieldName(field) + '-row';
      const label = document.createElement('label');
      label.textContent = field.label;
      label.htmlFor = fieldName(field);
      let input;
      if (field.choices) {
        input = document.createElement('select');
        for (const [value, text] of field.choices) input.add(new Option(text, value));
      } else {
        input = document.createElement('input');
        input.type = field.flag ? 'checkbox' : 'text';
        if (field.hint) input.placeholder = field.hint;
      }
      if (field.value !== undefined) input.value = field.value;
      input.id = fieldName(field);
      input.addEventListener('change', showApplicable);
      const message = document.createElement('div');
      message.className = 'message';
      message.id = fieldName(field) + '-message';
      row.append(label, input, message);
      holder.append(row);
    }
    showApplicable();
  }

  function answers() {
    const values = {};
    for (const field of fields) {
      const input = byId(fieldName(field));
      values[field.option] = field.flag ? input.checked : input.value.trim();
    }
    return values;
  }

  function applies(field, values) {
    return !field.when || field.when(values);
  }

  function showApplicable() {
    const values = answers();
    for (const field of fields) byId(fieldName(field) + '-row').hidden = !applies(field, values);
  }

  function coordinateFile() {
    const typed = byId('records').value;
    if (chosen && typed === chosen.text) return { name: chosen.name, content: chosen.bytes };
    return { name: chosen ? chosen.name : 'coordenadas.txt', content: typed };
  }

  function commandLine(fileName) {
    const values = answers();
    // The report is the page's view of the results.
    const args = [fileName, '--relatorio'];
    for (const field of fields) {
      if (!applies(field, values)) continue;
      const value = values[field.option];
      if (field.flag) {
        if (value) args.push(field.option);
      } else if (value !== '') {
        args.push(field.option, value);
      }
    }
    return args;
  }

  async function takeFile(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    let text;
    try {
      text = new TextDecoder('utf-8', { fatal: true }).decode(bytes);
    } catch (notUtf8) {
      text = new TextDecoder('windows-1252').decode(bytes);
    }
    chosen = { name: file.name, bytes: bytes, text: text };
    byId('records').value = text;
  }

  function clearMessages() {
    for (const element of document.querySelectorAll('.message')) element.textContent = '';
  }

  // The program's message in the form's words: each option it names becomes the name of
  // its field, a value it expected becomes what to write there, and the pointer to the
  // command line's help goes. The command line's own messages stay as they are.
  function formWords(message, values) {
    let text = message.replace(/^elipses: /, '').replace(/; veja "elipses --help"\s*$/, '').trim();
    const labelOf = (option) => {
      const field = fields.find((f) => f.option === option);
      return field ? field.label : option;
    };
    let m = /^a opção (--[a-z-]+) espera (.+?), encontrou-se "(.*)"(.*)$/.exec(text);
    if (m) {
      const found = m[3];
      if (/^-?\d+,\d+$/.test(found)) return labelOf(m[1]) + ': escreva o número com ponto: ' + found.replace(',', '.');
      return labelOf(m[1]) + ': escreva ' + m[2] + '; está escrito "' + found + '"';
    }
    m = /^a opção (--[a-z-]+) precisa de um valor/.exec(text);
    if (m) return labelOf(m[1]) + ': escreva um valor';
    m = /^falta a opção (--[a-z-]+)/.exec(text);
    if (m) return labelOf(m[1]) + ': preencha este campo';
    m = /^as opções (--[a-z-]+) e (--[a-z-]+) excluem-se/.exec(text);
    if (m) return 'Preencha só um destes campos: "' + labelOf(m[1]) + '" ou "' + labelOf(m[2]) + '"';
    // Any other message: each option named by its field, in quotes.
    for (const field of fields) {
      if (applies(field, values)) text = text.split(field.option).join('"' + field.label + '"');
    }
    return text.charAt(0).toUpperCase() + text.slice(1);
  }

  // The message goes beside the field whose option it names, or beside the coordinates
  // when it is about the file.
  function showError(stderr) {
    const values = answers();
    let place = null;
    let first = Infinity;
    for (const field of fields) {
      if (!applies(field, values)) continue;
      const at = stderr.search(new RegExp(field.option + '(?![a-z-])'));
      if (at >= 0 && at < first) {
        first = at;
        place = byId(fieldName(field) + '-message');
      }
    }
    if (!place && /ficheiro de coordenadas|linha \d+/.test(stderr)) place = byId('coordinates-message');
    const lines = stderr.split('\n').filter((line) => line.trim() !== '').map((line) => formWords(line, values));
    (place || byId('general-message')).textContent = lines.join('\n') || 'O cálculo não terminou.';
  }

  // What the run said, without the page's own folder, which means nothing to the person.
  function shownMessages(stderr) {
    return stderr.replace(/ na pasta \/elipses(?=\n|$)/g, '');
  }

  // The verdict, as the summary says it last: its lines, in a box of their colour.
  function showVerdict(stderr) {
    const box = byId('verdict');
    box.textContent = '';
    box.hidden = true;
    const lines = stderr.split('\n');
    const first = lines.findIndex((line) => line.startsWith('elipses: veredicto: '));
    if (first < 0) return;
    const decision = document.createElement('p');
    decision.className = 'decision';
    const words = lines[first].slice('elipses: veredicto: '.length);
    decision.textContent = words.charAt(0).toUpperCase() + words.slice(1);
    const list = document.createElement('ul');
    for (let i = first + 1; i < lines.length && lines[i].startsWith('elipses:   '); ++i) {
      const item = document.createElement('li');
      const text = lines[i].slice('elipses:   '.length);
      item.textContent = text.charAt(0).toUpperCase() + text.slice(1);
      list.append(item);
    }
    box.className = / não cumpre /.test(lines[first]) ? 'fails' : 'meets';
    box.append(decision, list);
    box.hidden = false;
  }

  function quoted(arg) {
    return /^[\w.,:\/+-]+$/.test(arg) ? arg : '"' + arg.replace(/(["\\$`])/g, '\\$1') + '"';
  }

  function showResults(args, result) {
    const downloads = byId('downloads');
    const contents = byId('contents');
    const report = byId('report');
    downloads.textContent = '';
    contents.textContent = '';
    report.textContent = '';
    byId('command-line').textContent = 'elipses ' + args.map(quoted).join(' ');
    showVerdict(result.stderr);
    byId('messages').textContent = shownMessages(result.stderr) + result.stdout;
    for (const name of Object.keys(result.files).sort()) {
      const bytes = result.files[name];
      const link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
      link.download = name.split('/').pop();
      link.textContent = 'Descarregar ' + name;
      downloads.append(link);
      if (/\.html?$/i.test(name)) {
        const frame = document.createElement('iframe');
        frame.title = name;
        frame.srcdoc = new TextDecoder('utf-8').decode(bytes);
        report.append(frame);
        continue;
      }
      // A long traverse's files run to megabytes: the page shows their beginning.
      let text = new TextDecoder('utf-8').decode(bytes.subarray(0, shownBytes));
      if (bytes.length > shownBytes) text += '\n[… o ficheiro continua: descarregue-o para o ver inteiro]\n';
      const details = document.createElement('details');
      const summary = document.createElement('summary');
      summary.textContent = name;
      const pre = document.createElement('pre');
      pre.className = 'file';
      pre.dataset.name = name;
      pre.textContent = text;
      details.append(summary, pre);
      contents.append(details);
    }
    const table = contents.querySelector('pre[data-name$=".txt"]') || contents.querySelector('pre');
    if (table) table.parentElement.open = true;
    byId('results').hidden = false;
  }

  async function compute(event) {
    event.preventDefault();
    clearMessages();
    byId('results').hidden = true;
    await reading;
    const file = coordinateFile();
    const args = commandLine(file.name);
    byId('compute').disabled = true;
    try {
      const result = await window.elipses.run(args, { [file.name]: file.content });
      if (result.status === 0) showResults(args, result);
      else showError(result.stderr);
    } catch (error) {
      byId('general-message').textContent = String(error);
    } finally {
      byId('compute').disabled = false;
    }
  }

  function prepare() {
    buildFields();
    byId('form').addEventListener('submit', compute);
    byId('coordinate-file').addEventListener('change', (event) => {
      if (event.target.files.length > 0) reading = takeFile(event.target.files[0]);
    });
    const zone = byId('drop-zone');
    zone.addEventListener('dragover', (event) => {
      event.preventDefault();
      zone.classList.add('over');
    });
    zone.addEventListener('dragleave', () => zone.classList.remove('over'));
    zone.addEventListener('drop', (event) => {
      event.preventDefault();
      zone.classList.remove('over');
      if (event.dataTransfer.files.length > 0) reading = takeFile(event.dataTransfer.files[0]);
    });
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', prepare);
  else prepare();
})();
