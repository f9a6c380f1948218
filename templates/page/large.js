(function () {
  "use strict";
  // The listing arrives as data: text/plain script elements after the table,
  // read one by one as the parser adds them. Each holds records, one a line:
  //   ">" FOLDER    the files that follow are in a new folder, whose link text
  //                 (empty for the scanned folder) follows; folders are numbered
  //                 0, 1, 2, ... in this order
  //   ">" NUMBER    the files that follow are in the folder of that number
  //   NAME ">" TEXT ">" KIB
  //                 a file: its name as the link holds it, its link text (left
  //                 empty where it is NAME lower-cased, NAME being all ASCII),
  //                 and its size in KiB
  //   ">" BASE      first, for a page kept outside the folder it lists: what
  //                 each link begins with in place of "." ("..\x", "file:...")
  // The program wrote every piece in the form the table row holds it, so a
  // row is drawn by joining pieces. Only the rows in view become elements.
  var GapCap = 8000000; // px: the tallest the list is laid out
  var Overscan = 3; // rows drawn beyond each edge of the view
  var body = document.getElementById("fTable");
  var table = body.parentNode;
  var input = document.getElementById("_input");
  var page = table.parentNode;
  var count = document.createElement("p");
  count.id = "fCount";
  // The count line shows at once; a screen reader hears it from a polite
  // live region of its own, told the count once it has held still for a
  // while, so that typing is not talked over at every key.
  count.setAttribute("aria-hidden", "true");
  page.insertBefore(count, table);
  var status = document.createElement("p");
  status.id = "fStatus";
  status.className = "sr-only";
  status.setAttribute("role", "status");
  page.insertBefore(status, table);
  var AnnounceAfter = 500; // ms the count holds still before it is announced
  var announcing = 0;
  // The table holds only the rows in view: it tells a screen reader how many
  // rows it stands for (the header row and every match) and each row its place.
  table.rows[0].setAttribute("aria-rowindex", "1");
  table.className += " fLarge";
  // The table stands in a box of fixed height, so that the page's scroll
  // range holds still to the pixel while rows are drawn: a browser may stop
  // a smooth scroll (such as the End key's) when the range moves under it.
  var list = document.createElement("div");
  list.className = "fList";
  page.insertBefore(list, table);
  list.appendChild(table);
  var sizeColumn = document.createElement("style");
  document.head.appendChild(sizeColumn);

  var base = ".";
  var folders = [];
  var folder = 0;
  var texts = []; // the data texts, by chunk
  var chunkOf = new Int32Array(4096); // by row: its chunk,
  var recordAt = new Int32Array(4096); // where its record begins there,
  var folderOf = new Int32Array(4096); // and its folder
  var rows = 0;
  // What the search reads: each chunk's row texts (link text as the page
  // shows it, U+0001, then the size text) joined by NUL, in their searched
  // form, and where each row's text begins. No link text holds U+0001 or NUL
  // (the program shows control characters as marks), so no query matches
  // across two cells or two rows.
  var hays = [];
  var hayStarts = [];
  var chunkFirst = [];
  var query = "";
  var matches = new Int32Array(4096);
  var matched = 0; // rows that match; when query is empty, every row
  var loading = true;
  var widest = 0;
  var rowHeight = 0;
  var drawnFirst = -1;
  var drawnLast = -1;
  var drawnTop = -1;
  var drawnHeight = -1;
  var boxHeight = -1;
  var pending = 0;

  var entities = { "&lt;": "<", "&gt;": ">", "&amp;": "&" };
  function shownText(markup) {
    return markup.indexOf("&") < 0 ? markup : markup.replace(/&(lt|gt|amp);/g, function (e) {
      return entities[e];
    });
  }
  // Texts are searched lower-cased in full, final sigma as sigma, each
  // white space character read as a blank (the page shows each as wide as
  // it is), in NFC, as the table form searches them: the typed text, and
  // each row's link text. A chunk's text is megabytes long, so the passes
  // that rarely change anything look before they copy: most texts hold no
  // final sigma, and of their white space only blanks.
  function searched(text) {
    text = text.toLowerCase();
    if (text.indexOf("\u03c2") >= 0) text = text.replace(/\u03c2/g, "\u03c3");
    // The white space of /\s/ less the blank.
    return text.replace(/[\t\n\v\f\r\u00a0\u1680\u2000-\u200a\u2028\u2029\u202f\u205f\u3000\ufeff]/g, " ").normalize("NFC");
  }
  function grow(array, size) {
    var bigger = new (array.constructor)(Math.max(size, 2 * array.length));
    bigger.set(array);
    return bigger;
  }

  function read(text) {
    var chunk = texts.length;
    var found = [];
    var first = rows;
    texts.push(text);
    chunkFirst.push(first);
    for (var at = 0; at < text.length; ) {
      var end = text.indexOf("\n", at);
      if (end < 0) end = text.length;
      if (text.charCodeAt(at) === 62) {
        var c = text.charCodeAt(at + 1);
        if (c >= 48 && c <= 57) {
          folder = +text.slice(at + 1, end);
        } else if (c === 46 || c === 102) {
          base = text.slice(at + 1, end);
        } else {
          folder = folders.length;
          folders.push(text.slice(at + 1, end));
        }
      } else if (end > at) {
        if (rows === chunkOf.length) {
          chunkOf = grow(chunkOf, rows + 1);
          recordAt = grow(recordAt, rows + 1);
          folderOf = grow(folderOf, rows + 1);
        }
        chunkOf[rows] = chunk;
        recordAt[rows] = at;
        folderOf[rows] = folder;
        rows++;
        var name = text.indexOf(">", at);
        var size = text.indexOf(">", name + 1);
        var link = size === name + 1 ? text.slice(at, name).toLowerCase() : text.slice(name + 1, size);
        found.push(shownText(link) + "\x01" + text.slice(size + 1, end) + " KB");
        if (end - size - 1 > widest) widest = end - size - 1;
      }
      at = end + 1;
    }
    // The size unit stays in capitals, so that no typed text matches it.
    var hay = searched(found.join("\0") + "\0").replace(/ kb\0/g, " KB\0");
    var starts = new Int32Array(found.length + 1);
    for (var i = 0, from = 0; i < found.length; i++) {
      starts[i] = from;
      from = hay.indexOf("\0", from) + 1;
    }
    starts[found.length] = hay.length;
    hays.push(hay);
    hayStarts.push(starts);
    if (query !== "") search(chunk);
    else matched = rows;
  }

  // Adds the rows of a chunk whose text holds the query to the matches. A
  // query that holds a separator matches none.
  function search(chunk) {
    if (/[\0\x01]/.test(query)) return;
    var hay = hays[chunk];
    var starts = hayStarts[chunk];
    var base = chunkFirst[chunk];
    var last = starts.length - 1;
    var row = 0;
    for (var at = hay.indexOf(query); at >= 0; at = hay.indexOf(query, at)) {
      while (starts[row + 1] <= at) row++;
      if (matched === matches.length) matches = grow(matches, matched + 1);
      matches[matched++] = base + row;
      if (++row >= last) break;
      at = starts[row];
    }
  }

  function setQuery(value) {
    value = searched(value);
    if (value === query) return;
    query = value;
    matched = 0;
    if (query === "") matched = rows;
    else for (var chunk = 0; chunk < hays.length; chunk++) search(chunk);
    drawnFirst = -1;
    draw();
  }

  // The markup of a row of the listing, drawn as match number index.
  function rowMarkup(row, index) {
    var text = texts[chunkOf[row]];
    var at = recordAt[row];
    var name = text.indexOf(">", at);
    var size = text.indexOf(">", name + 1);
    var end = text.indexOf("\n", size);
    if (end < 0) end = text.length;
    var link = text.slice(at, name);
    var shown = size === name + 1 ? link.toLowerCase() : text.slice(name + 1, size);
    return '<tr aria-rowindex="' + (index + 2) + '"><td><a href="' + base + folders[folderOf[row]] + "\\" + link +
      '" target="_blank">' + shown + "</a></td><td>" + text.slice(size + 1, end) + " KB</td></tr>\n";
  }
  function gap(height) {
    return '<tr class="fGap" aria-hidden="true"><td colspan="2" style="height:' + height + 'px"></td></tr>\n';
  }
  function matchAt(index) {
    return query === "" ? index : matches[index];
  }

  // The count line, and the size column as wide as the widest size text.
  var counted = "";
  var sized = 0;
  function showCount() {
    var total = rows.toLocaleString("en-US");
    var text = query === "" ? total + (rows === 1 ? " file" : " files") :
      matched.toLocaleString("en-US") + " of " + total + " files match";
    if (loading) text += " so far, still loading...";
    if (text !== counted) {
      count.textContent = counted = text;
      table.setAttribute("aria-rowcount", matched + 1);
      clearTimeout(announcing);
      announcing = setTimeout(function () {
        status.textContent = counted;
      }, AnnounceAfter);
    }
    if (widest !== sized) {
      sized = widest;
      sizeColumn.textContent = "table.fLarge th:last-child{width:calc(" + Math.max(widest + 3, 4) +
        "ch + 17px)}";
    }
  }

  // Draws the rows in view. The list stands for every match: its height is
  // theirs, up to GapCap, beyond which the scroll position is mapped onto the
  // matches in proportion, so that the last match is always reachable.
  function draw() {
    pending = 0;
    showCount();
    var height = rowHeight || 37;
    var natural = matched * height;
    var total = Math.min(natural, GapCap);
    var view = window.innerHeight;
    var top = body.getBoundingClientRect().top + window.scrollY;
    var scrolled = Math.max(0, window.scrollY - top);
    var first;
    var offset;
    if (natural <= GapCap || total <= view) {
      first = Math.floor(scrolled / height);
      offset = first * height;
    } else {
      var share = Math.min(1, scrolled / (total - view));
      var virtual = share * (natural - view);
      first = Math.floor(virtual / height);
      offset = Math.max(0, share * (total - view) - (virtual - first * height));
    }
    var shown = Math.ceil(view / height) + 1;
    var start = Math.max(0, Math.min(first, matched - shown) - Overscan);
    offset -= (first - start) * height;
    // Rows keep the stripe of their place in the list: the gap above them is
    // one table row, so the first row drawn after it must be an odd one.
    if (start > 0 && start % 2 === 0) {
      start--;
      offset -= height;
    }
    if (start === 0 || offset < 0) offset = 0;
    var end = Math.min(matched, start + shown + 2 * Overscan + 1);
    if (start === drawnFirst && end === drawnLast && offset === drawnTop && total === drawnHeight) return;
    offset = Math.round(offset);
    var html = start > 0 ? gap(offset) : "";
    for (var index = start; index < end; index++) html += rowMarkup(matchAt(index), index);
    if (matched > 0) html += gap(Math.max(0, Math.round(total - offset - (end - start) * height)));
    var focused = focusedMatch();
    body.innerHTML = html;
    if (focused >= 0) {
      var link = drawnLink(focused);
      if (link !== null) link.focus({ preventScroll: true });
      else table.focus({ preventScroll: true });
      kept = focused;
    }
    // The rows and gaps come to the list's height whatever the rows' own
    // heights come to; the box around the table is a little taller still.
    var last = body.rows[body.rows.length - 1];
    var drift = Math.round(body.getBoundingClientRect().height - Math.round(total));
    if (last && drift !== 0) {
      last.cells[0].style.height = Math.max(0, parseFloat(last.cells[0].style.height) - drift) + "px";
    }
    if (total !== drawnHeight || boxHeight < 0) {
      boxHeight = Math.ceil(table.getBoundingClientRect().height) + 2;
      list.style.height = boxHeight + "px";
    }
    drawnFirst = start;
    drawnLast = end;
    drawnTop = offset;
    drawnHeight = total;
    // The height of an inner row: the first row drawn shares its border with
    // the header or the gap above, the last with the gap below, and each
    // measures half a pixel more or less. Were those measured, the list's
    // height would change as it scrolls away from its top, under a smooth
    // scroll on its way to the end.
    if (end - start >= 3) {
      var measured = body.rows[(start > 0 ? 1 : 0) + 1].getBoundingClientRect().height;
      if (measured > 0 && Math.abs(measured - height) > 0.01) {
        rowHeight = measured;
        drawnFirst = -1;
        draw();
      }
    }
  }
  // The match whose row's link has the focus, or -1. When the wheel or the
  // scroll bar takes the focused row out of the rows drawn, the table keeps
  // the focus in its place (kept), as a browser keeps it on a link scrolled
  // out of view: the next key goes on from there.
  var kept = -1;
  table.tabIndex = -1;
  function focusedMatch() {
    var focused = document.activeElement;
    if (focused === table) return kept;
    if (focused === null || focused.nodeName !== "A" || !body.contains(focused)) return -1;
    return +focused.parentNode.parentNode.getAttribute("aria-rowindex") - 2;
  }
  function drawnLink(index) {
    var row = body.querySelector('tr[aria-rowindex="' + (index + 2) + '"]');
    return row === null ? null : row.cells[0].firstChild;
  }

  // Scrolls the page until the row of match number index is drawn and
  // wholly in view, and returns its link. Beyond GapCap one pixel of
  // scrolling moves the list by `stretch` pixels, so the page is scrolled by
  // that share of the distance, rounded towards the row.
  function reveal(index) {
    for (var tries = 0; tries < 4; tries++) {
      var link = drawnLink(index);
      var view = window.innerHeight;
      var height = rowHeight || 37;
      var natural = matched * height;
      var total = Math.min(natural, GapCap);
      var stretch = natural > GapCap && total > view ? (natural - view) / (total - view) : 1;
      if (link === null) {
        var top = body.getBoundingClientRect().top + window.scrollY;
        window.scrollTo(0, top + Math.floor((index * height) / stretch));
      } else {
        var box = link.parentNode.parentNode.getBoundingClientRect();
        if (box.top >= 0 && box.bottom <= view) return link;
        window.scrollBy(0, box.top < 0 ? Math.floor(box.top / stretch) : Math.ceil((box.bottom - view) / stretch));
      }
      draw();
    }
    return drawnLink(index);
  }
  function focusMatch(index) {
    var link = reveal(Math.max(0, Math.min(matched - 1, index)));
    if (link !== null) link.focus({ preventScroll: true });
  }

  // Keys on a row's link move the focus among the matches, as the browser's
  // own moves would run off the rows drawn: the arrows and Tab by one, Page
  // Up and Down and the space bar by a view, Home and End to either end. Tab
  // beyond either end, and keys with Alt or Meta, are the browser's.
  table.addEventListener("mousedown", function () {
    kept = -1;
  });
  table.addEventListener("keydown", function (event) {
    var from = focusedMatch();
    if (from < 0 || from >= matched || event.altKey || event.metaKey) return;
    var step = Math.max(1, Math.floor(window.innerHeight / (rowHeight || 37)) - 1);
    var to;
    var key = event.key;
    if (event.ctrlKey && key !== "Home" && key !== "End") return;
    if (key === "ArrowDown") to = from + 1;
    else if (key === "ArrowUp") to = from - 1;
    else if (key === "PageDown" || (key === " " && !event.shiftKey)) to = from + step;
    else if (key === "PageUp" || key === " ") to = from - step;
    else if (key === "Home") to = 0;
    else if (key === "End") to = matched - 1;
    else if (key === "Tab") {
      to = event.shiftKey ? from - 1 : from + 1;
      if (to < 0 || to >= matched) return;
    } else return;
    event.preventDefault();
    focusMatch(to);
  });
  // Tab from the search field goes to the first match, wherever the list
  // stands.
  input.addEventListener("keydown", function (event) {
    if (event.key !== "Tab" || event.shiftKey || event.altKey || event.ctrlKey || event.metaKey) return;
    setQuery(input.value);
    if (matched === 0) return;
    event.preventDefault();
    focusMatch(0);
  });

  function later() {
    if (!pending) pending = requestAnimationFrame(draw);
  }

  // Each data element is whole once the parser has added something after it,
  // or has finished.
  var waiting = [];
  function take(done) {
    while (waiting.length > 0 && (done || waiting[0].nextSibling !== null)) {
      var element = waiting.shift();
      read(element.text);
      element.parentNode.removeChild(element);
    }
    later();
  }
  function collect(changes) {
    changes.forEach(function (change) {
      change.addedNodes.forEach(function (node) {
        if (node.nodeName === "SCRIPT" && node.type === "text/plain") waiting.push(node);
      });
    });
  }
  var observer = new MutationObserver(function (changes) {
    collect(changes);
    take(false);
  });
  observer.observe(page, { childList: true });
  document.addEventListener("DOMContentLoaded", function () {
    collect(observer.takeRecords());
    observer.disconnect();
    loading = false;
    take(true);
  });
  input.addEventListener("keyup", function () {
    setQuery(input.value);
  });
  window.addEventListener("scroll", draw);
  window.addEventListener("resize", function () {
    drawnFirst = -1;
    boxHeight = -1;
    draw();
  });
})();
