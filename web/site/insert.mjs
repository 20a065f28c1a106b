// The lists of things to insert into the expression, filled and inserted as
// the expression builder does: a field goes in as [NAME], a statement,
// reserved word as its entry, and a tag wraps the selected text in its
// opening and closing tags. Each list shows the chosen entry's description.

const OPENING_TAG_LENGTH = 5;
const CLOSING_TAG_LENGTH = 6;

// A statement's entry, placeholder arguments included (".Left(0)"), which
// also opens its description.
function statementEntry(statement) {
  return statement.entry ?? statement.description.slice(0, statement.description.indexOf(':'));
}

// Replaces the selection (or inserts at the caret) and labels anew.
function replaceSelection(box, text) {
  box.focus();
  box.setRangeText(text, box.selectionStart, box.selectionEnd, 'end');
  box.dispatchEvent(new Event('input', {bubbles: true}));
}

function fillList(listId, descriptionId, entries) {
  const list = document.getElementById(listId);
  const description = document.getElementById(descriptionId);
  list.replaceChildren(...entries.map(({entry}) => new Option(entry, entry)));
  const describe = () => {
    description.textContent = entries[list.selectedIndex]?.description ?? '';
  };
  list.addEventListener('change', describe);
  describe();
  return list;
}

export function fillInsertLists(pelt, box) {
  const statements = fillList(
    'statement-list',
    'statement-description',
    pelt.statements.map((s) => ({entry: statementEntry(s), description: s.description})),
  );
  const words = fillList(
    'word-list',
    'word-description',
    pelt.reservedWords.map((w) => ({entry: w.name, description: w.description})),
  );
  const tags = fillList(
    'tag-list',
    'tag-description',
    pelt.tags,
  );
  const fields = document.getElementById('field-list');

  document.getElementById('add-field').addEventListener('click', () => {
    if (fields.value) replaceSelection(box, `[${fields.value}]`);
  });
  document.getElementById('add-statement').addEventListener('click', () => {
    replaceSelection(box, statements.value);
  });
  document.getElementById('add-word').addEventListener('click', () => {
    replaceSelection(box, words.value);
  });
  document.getElementById('add-tag').addEventListener('click', () => {
    const tag = tags.value;
    const selected = box.value.slice(box.selectionStart, box.selectionEnd);
    replaceSelection(
      box,
      tag.slice(0, OPENING_TAG_LENGTH) + selected + tag.slice(tag.length - CLOSING_TAG_LENGTH),
    );
  });
  if (pelt.reservedWords.length === 0) {
    words.disabled = true;
    document.getElementById('add-word').disabled = true;
  }
}
