// The files the page offers, one table for the page and its worker: the
// link's name (dl-NAME), the command line's option (none: the rows
// themselves, -f NAME), the file's name and the link's text.
var REFLDSGN_FILES = [
  ['csv', null, 'study.csv', 'CSV of the study'], ['json', null, 'study.json', 'JSON of the study'],
  ['svg', '--svg', 'picture.svg', 'picture (SVG)'], ['html', '--html', 'report.html', 'report (HTML)'],
  ['rsf-main', '--rsf-main', 'main.rsf', 'main .rsf'], ['rsf-sub', '--rsf-sub', 'sub.rsf', 'sub .rsf'],
  ['champ-main', '--champ-main', 'main.champ', 'main CHAMP'], ['champ-sub', '--champ-sub', 'sub.champ', 'sub CHAMP'],
  ['sfc-main', '--sfc-main', 'main.sfc', 'main .sfc'], ['sfc-sub', '--sfc-sub', 'sub.sfc', 'sub .sfc'],
  ['tor', '--tor', 'design.tor', 'GRASP .tor'], ['profile', '--profile', 'profile.csv', 'profile CSV'],
  ['dxf', '--dxf', 'design.dxf', 'DXF'], ['stl', '--stl', 'design.stl', 'STL'],
];
