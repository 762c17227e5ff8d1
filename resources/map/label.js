// Text labels fixed to a point of the map, in the map's own pane so that they move with it.

function TLabel() {}

// The label's box: a div of the style holding the text in bold on one line. The text is set as
// text, so a caption can never bring markup or script into the page.
function TLabelContent(astyle, text) {
  var div = document.createElement('div');
  div.className = astyle;
  div.textContent = text;
  return div;
}

TLabel.prototype.initialize = function (map) {
  this.map_ = map;
  var span = document.createElement('span');
  span.id = this.id;
  if (this.content instanceof Node) span.appendChild(this.content);
  else span.textContent = String(this.content);
  span.style.position = 'absolute';
  span.style.whiteSpace = 'nowrap';
  span.style.zIndex = 1;
  this.element_ = span;
  if (this.percentOpacity !== undefined) this.setOpacity(this.percentOpacity);
  if (!this.markerOffset) this.markerOffset = { width: 0, height: 0 };
  if (this.anchorPoint === 'center') {
    // Centred on its point by a shift of half its own size: routes bring thousands of labels at
    // once, and measuring each one would lay the page out once per label.
    span.style.transform = 'translate(-50%, -50%)';
    this.w_ = 0;
    this.h_ = 0;
  } else {
    // Measured in the page's body, where nothing around it can narrow it.
    document.body.appendChild(span);
    this.w_ = span.offsetWidth;
    this.h_ = span.offsetHeight;
  }
  map.getPane(G_MAP_MAP_PANE).appendChild(span);
  this.setPosition();
  map.tlabelsTrack_(this);
};

TLabel.prototype.setPosition = function (latlng) {
  if (latlng) this.anchorLatLng = latlng;
  var p = this.map_.fromLatLngToDivPixel(this.anchorLatLng);
  var x = Math.trunc(p.x), y = Math.trunc(p.y), w = this.w_, h = this.h_;
  switch (this.anchorPoint) {
    case 'topLeft': break;
    case 'topCenter': x -= Math.floor(w / 2); break;
    case 'topRight': x -= w; break;
    case 'midRight': x -= w; y -= Math.floor(h / 2); break;
    case 'bottomRight': x -= w; y -= h; break;
    case 'bottomCenter': x -= Math.floor(w / 2); y -= h; break;
    case 'bottomLeft': y -= h; break;
    case 'midLeft': y -= Math.floor(h / 2); break;
    case 'center': break;  // shifted by its transform (see initialize)
    default: break;
  }
  this.element_.style.left = (x - this.markerOffset.width) + 'px';
  this.element_.style.top = (y - this.markerOffset.height) + 'px';
};

TLabel.prototype.setOpacity = function (p) {
  p = Math.max(0, Math.min(100, Number(p)));
  this.element_.style.opacity = p / 100;
};

// One listener for all labels of a map: they follow every zoom and move.
GMap2.prototype.tlabelsTrack_ = function (label) {
  if (!this.tlabels_) {
    this.tlabels_ = {};
    var labels = this.tlabels_;
    var follow = function () {
      for (var id in labels) labels[id].setPosition();
    };
    GEvent.addListener(this, 'zoomend', follow);
    GEvent.addListener(this, 'moveend', follow);
  }
  this.tlabels_[label.id] = label;
};

GMap2.prototype.addTLabel = function (label) {
  label.initialize(this);
};

GMap2.prototype.removeTLabelById = function (id) {
  var pane = this.getPane(G_MAP_MAP_PANE);
  var label = this.tlabels_ ? this.tlabels_[id] : undefined;
  var element = label ? label.element_ : document.getElementById(id);
  if (element && element.parentNode === pane) pane.removeChild(element);
  if (label) delete this.tlabels_[id];
};

GMap2.prototype.removeTLabel = function (label) {
  this.removeTLabelById(label.id);
};

GMap2.prototype.changePosition = function (id, latlng) {
  if (this.tlabels_ && this.tlabels_[id]) this.tlabels_[id].setPosition(latlng);
};
