// The page's state in the address, #e=<expression>&locale=<locale>, so that
// a link shows the same labels.

export function readAddress(hash = location.hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  return {expression: params.get('e'), locale: params.get('locale')};
}

// Replaces the address without a history entry per keystroke.
export function writeAddress({expression, locale}) {
  const params = new URLSearchParams();
  params.set('e', expression);
  if (locale) params.set('locale', locale);
  // URLSearchParams writes blanks as "+", which reads back as a blank too;
  // "%20" is plainer in a shared link.
  const hash = `#${params.toString().replaceAll('+', '%20')}`;
  if (hash !== location.hash) history.replaceState(null, '', hash);
}
