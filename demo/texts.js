// Words of the demo: scroller texts, greetings and the closing credits.
// The bitmap font has capitals, digits and . , ! ? - ' " : / ( ) & + = * # < >

export const scrollTexts = {
  intro:
    'QUORVANE IS HERE!   A SMALL TRIBUTE TO THE DEMOS OF 1992, WHEN EVERY RASTER LINE COUNTED ' +
    'AND THE COPPER RAN THE SHOW...   ',
  stars: 'FLYING THROUGH EIGHT HUNDRED STARS AT WARP SPEED... HOLD ON TO YOUR JOYSTICK!   ',
  roto: 'ROTATE AND ZOOM, ONE TEXTURE, FIFTY-SEVEN THOUSAND PIXELS A FRAME...   ',
  vector: 'GLENZ VECTORS! HALF SEE-THROUGH, ALL SHINY. THE FLOOR IS CHEQUERED, OF COURSE...   ',
};

export const greetings = [
  'GREETINGS FLY OUT TO',
  'EVERY CODER WHO RACED THE BEAM',
  'THE PIXEL ARTISTS OF THE NIGHT',
  'THE TRACKER MUSICIANS',
  'ALL SWAPPERS AND SPREADERS',
  'AND YOU, WATCHING NOW',
];

export const credits = [
  ['QUORVANE', 2],
  ['1992', 1.2],
  ['', 1],
  ['A NON-COMMERCIAL TRIBUTE,', 1],
  ['HUMBLY DONE BY VOK.', 1],
  ['', 1],
  ['CODE, PIXELS AND MUSIC', 0.8],
  ['MADE FROM SCRATCH', 0.8],
  ['', 1],
  ['THANK YOU FOR WATCHING!', 1],
];
